// config_text.cpp: the section reader of configuration texts.
#include "common/config_text.h"

#include <sstream>

bool CfgGetValue(std::istream& in, const std::string& section, const std::string& key, std::string& value) {
    const std::string header = "[" + section + "]";
    const std::string prefix = key + "=";
    in.clear();
    in.seekg(0);

    bool inSection = false;
    std::string line;
    while (std::getline(in, line)) {
        while (!line.empty() && line.back() == '\n') line.pop_back();
        while (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (line.front() == '[') {
            if (inSection) return false;
            inSection = line == header;
        } else if (inSection && line.compare(0, prefix.size(), prefix) == 0) {
            value = line.substr(prefix.size());
            return true;
        }
    }
    return false;
}

bool CfgGetIntValue(std::istream& in, const std::string& section, const std::string& key, INT& value) {
    std::string text;
    if (!CfgGetValue(in, section, key, text)) return false;
    // A found value always counts; the stream decides the number: 0 when
    // the text does not begin with one, the nearest limit when it is out
    // of range.
    std::istringstream number(text);
    INT parsed = 0;
    number >> parsed;
    value = parsed;
    return true;
}
