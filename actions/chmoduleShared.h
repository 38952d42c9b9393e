#pragma once
// What the handler families of the module share: the line break and length rule of the questions,
// the replace question, the system's words for an error.
#include <initializer_list>
#include <string>

namespace media {
class Tdv_Superposer;
}

namespace actions::work {

inline constexpr const char* kLineBreak = "\n";
// Questions and messages are short strings: at most 254 characters.
inline constexpr size_t kMaxQuestion = 254;

// The first text of at most kMaxQuestion characters; the last one whatever its length.
std::string FittingText(std::initializer_list<std::string> texts);

// The question before `name` is replaced: it names the file, or is `fallback` when too long.
std::string ReplaceQuestion(const std::string& name, const std::string& fallback);

// The system's words for an errno value.
std::string SystemReason(int err);

// The overlay font of the preferences: size, name, colour, then the four style bits.
void PushOverlayFont(media::Tdv_Superposer& overlay);

} // namespace actions::work
