// Names of card containers: "\\.\<reader>\<container>" names the container
// on the card in that reader; any other name is a container name alone.
#pragma once

#include <string>

// Splits a full name into its reader prefix ("\\.\<reader>\", empty when
// the name has none) and its container part.
void SplitContainerName(const std::u16string& fullName, std::u16string& reader, std::u16string& container);

// The full name of the container in the reader, which may be given as a
// prefix ("\\.\<reader>" with or without the closing "\") or by its name
// alone; an empty reader gives the container name as it is.
std::u16string JoinContainerName(const std::u16string& reader, const std::u16string& container);
