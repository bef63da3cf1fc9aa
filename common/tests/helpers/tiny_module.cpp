// A module for the run-time binding tests: one export with a known answer.
extern "C" __attribute__((visibility("default"))) int TinyAnswer() { return 42; }
