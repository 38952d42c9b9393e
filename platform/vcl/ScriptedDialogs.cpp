#include "platform/vcl/ScriptedDialogs.h"

namespace vcl {

namespace {

template <class T, class R>
std::optional<T> Next(std::deque<std::optional<T>>& answers, std::vector<R>& asked, const R& request)
{
    asked.push_back(request);
    if (answers.empty())
        return std::nullopt;
    std::optional<T> answer = std::move(answers.front());
    answers.pop_front();
    return answer;
}

} // namespace

std::optional<std::vector<std::string>> ScriptedDialogs::OpenFiles(const OpenRequest& request)
{
    return Next(openAnswers, openRequests, request);
}

std::optional<std::string> ScriptedDialogs::SelectFolder(const FolderRequest& request)
{
    return Next(folderAnswers, folderRequests, request);
}

std::optional<rtl::FontSpec> ScriptedDialogs::ChooseFont(const rtl::FontSpec& font)
{
    return Next(fontAnswers, fontRequests, font);
}

std::optional<std::string> ScriptedDialogs::AskSaveName(const SaveRequest& request)
{
    return Next(saveAnswers, saveRequests, request);
}

} // namespace vcl
