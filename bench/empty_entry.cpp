// The baseline of a module's per-frame step: an exported entry point with its signature that
// does nothing, called through the pointer that a host looks up.
class VESSEL;

extern "C" __attribute__((visibility("default"))) void ovcTimestep(VESSEL*, double) {}
