// Marks what liblumvar.so shows its callers: the LUMVAR_ functions and the
// classes a caller builds itself (Config, Sha1Hash). Everything else stays
// inside the module.
#pragma once

#define LUMVAR_EXPORTED __attribute__((visibility("default")))
