#include "message_bus.h"

#include <cstring>
#include <deque>
#include <string>
#include <unordered_map>

// The library is built with hidden symbols; only these three functions are exported, under
// their undecorated names, as the carriers and the host look them up.
#if defined(_WIN32)
#define EXPORT __declspec(dllexport)
#else
#define EXPORT __attribute__((visibility("default")))
#endif

namespace {

constexpr size_t NAME_BUFFER = 256;
constexpr size_t TEXT_BUFFER = 2048;
// Bounds on what is held: a vessel that never polls cannot make the module grow without end.
constexpr size_t MAX_PER_TARGET = 1024;
constexpr size_t MAX_TOTAL = 4096;

struct Message {
    std::string name, text;
};

struct Bus {
    std::unordered_map<const VESSEL*, std::deque<Message>> queues;
    size_t total = 0;
};

Bus& TheBus() {
    static Bus bus;
    return bus;
}

void CopyTerminated(char* dest, const std::string& src, size_t size) {
    const size_t n = src.size() < size - 1 ? src.size() : size - 1;
    std::memcpy(dest, src.data(), n);
    dest[n] = '\0';
}

}  // namespace

extern "C" EXPORT int SendCMessage(VESSEL* target, const char* name, const char* text) {
    if (!target || !name || !text) return -1;
    Bus& bus = TheBus();
    auto& queue = bus.queues[target];
    if (queue.size() >= MAX_PER_TARGET || bus.total >= MAX_TOTAL) {
        if (queue.empty()) bus.queues.erase(target);
        return -1;
    }
    queue.push_back(Message{std::string(name, strnlen(name, NAME_BUFFER - 1)), std::string(text, strnlen(text, TEXT_BUFFER - 1))});
    ++bus.total;
    return 0;
}

extern "C" EXPORT int CheckCMessage(VESSEL* self, char* name, char* text) {
    Bus& bus = TheBus();
    // Every carrier asks every frame, nearly always with nothing held for anyone.
    if (bus.total == 0) return -1;
    auto it = bus.queues.find(self);
    if (it == bus.queues.end() || !name || !text) return -1;
    Message m = std::move(it->second.front());
    it->second.pop_front();
    --bus.total;
    const int remaining = static_cast<int>(it->second.size());
    if (it->second.empty()) bus.queues.erase(it);
    CopyTerminated(name, m.name, NAME_BUFFER);
    CopyTerminated(text, m.text, TEXT_BUFFER);
    return remaining;
}

extern "C" EXPORT int ForgetCMessages(VESSEL* target) {
    Bus& bus = TheBus();
    auto it = bus.queues.find(target);
    if (it == bus.queues.end()) return 0;
    const size_t dropped = it->second.size();
    bus.total -= dropped;
    bus.queues.erase(it);
    return static_cast<int>(dropped);
}
