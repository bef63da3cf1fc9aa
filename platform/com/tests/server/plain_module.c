/* A shared object that is no COM server: it exports none of the entry points. */
__attribute__((visibility("default"))) int plain_module_answer(void) { return 1; }
