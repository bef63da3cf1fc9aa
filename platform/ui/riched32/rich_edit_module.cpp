// "RICHED32.DLL": loading it makes the rich-edit control available to the
// layer's dialogs, as the Windows library registers its window class.
// The layer looks for this export in the loaded module.
extern "C" __attribute__((visibility("default"))) const char* tesk_rich_edit_class() { return "RICHEDIT"; }
