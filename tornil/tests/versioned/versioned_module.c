/* A module that carries nothing but its version information. */
int tornil_versioned_module(void) { return 0; }
