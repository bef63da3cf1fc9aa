/* A module with no C++ in it, so that the loader unloads it once its last
   load is released (C++ objects of the standard library mark a module as
   never to be unloaded), and the tests can see the load counts. */
__attribute__((visibility("default"))) int counted_answer(void) { return 7; }
