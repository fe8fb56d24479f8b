// A module that stands for a plug-in: it reports an address of its own code,
// from which the bundle holding it is found.
extern "C" __attribute__((visibility("default"))) const void* FixtureCodeAddress() {
  return reinterpret_cast<const void*>(&FixtureCodeAddress);
}
