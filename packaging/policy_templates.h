// The Group Policy templates, made from the settings table: velquin.admx
// and its velquin.adml in Japanese and in English. One policy a value the
// settings window shows, for the machine and for the user alike.
#pragma once

#include <string>

namespace velquin {

std::string PolicyAdmxText();
// language: "ja-JP" or "en-US".
std::string PolicyAdmlText(const std::string& language);

}  // namespace velquin
