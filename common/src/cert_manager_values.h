// cert_manager_values.h: the registry form that the remembered lists and the
// trusted store share: a REG_DWORD "ncerts" with the number of entries and
// REG_SZ values named "0" to "ncerts" - 1, one entry's text each.
#pragma once

#include <string>
#include <vector>

#include "common/reg.h"

// Appends the values "0" to "ncerts" - 1 of the open key to texts, in
// order, each read whole; missing ones are skipped. False when "ncerts"
// cannot be read.
bool ReadNumberedValues(CReg& key, std::vector<std::string>& texts);

// Creates (or opens) the key at path under HKEY_CURRENT_USER into key and
// writes "ncerts" and the texts as "0" onwards; values beyond are left
// alone. A failure is logged at level 2 with the system's error text:
// "writing to the registry failed: ncerts" when the key or the count cannot
// be written (nothing further is tried), "writing to the registry failed: "
// once after the values when any of them failed. True when all was written.
bool WriteNumberedValues(CReg& key, const std::string& path, const std::vector<std::string>& texts);
