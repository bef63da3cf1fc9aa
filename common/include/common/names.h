// A name attribute list as the compact text that goes into signatures.
#pragma once

#include <string>
#include <vector>

#include "common/rdn_attr.h"

// The attributes from the last to the first as "cn=value", joined by ",".
std::string RdnListToDnText(const std::vector<TRDNAttr>& attributes);
