// The library of a test framework; built twice (TestKit and TwinKit) so that
// both define the same names with different answers.
namespace Kit {
struct Probe {
    int Which() const;
};
#if defined(PV_TESTKIT_TESTKIT)
int Probe::Which() const { return 1; }
#else
int Probe::Which() const { return 2; }
#endif
}  // namespace Kit

extern "C" __attribute__((visibility("default"))) int pvtest_which() {
    return Kit::Probe().Which() * 10;
}
