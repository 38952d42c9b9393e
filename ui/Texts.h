#pragma once
// Texts of the string table as the windows set them: a caption, and a hint whose lines are
// entries joined with CR LF.
#include <QString>
#include <initializer_list>
#include <string>

namespace ui {

QString Text(int id);
std::string Lines(std::initializer_list<int> ids);

} // namespace ui
