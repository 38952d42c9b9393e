#include "actions/FileAction.h"

#include "platform/rtl/SysUtils.h"

namespace actions {

void tFileAction::SetSwitch(std::string_view letters)
{
    switch_ = rtl::LowerCase(letters);
}

void FileActionNames::Add(tFileAction& action)
{
    entries_.push_back({rtl::LowerCase(action.Name), &action});
}

tFileAction* FileActionNames::Find(std::string_view name) const
{
    const std::string lower = rtl::LowerCase(name);
    for (const Entry& e : entries_)
        if (e.Name == lower)
            return e.Action;
    return nullptr;
}

void ApplyModele(const FileActionNames& names)
{
    for (const FileActionNames::Entry& e : names.Entries()) {
        tFileAction& action = *e.Action;
        if (action.Modele.empty())
            continue;
        const tFileAction* model = nullptr;
        for (const FileActionNames::Entry& m : names.Entries())
            if (m.Action->Name == action.Modele) {
                model = m.Action;
                break;
            }
        if (model == nullptr)
            continue;
        if (!action.OnConfirmation)
            action.OnConfirmation = model->OnConfirmation;
        if (!action.OnExecution)
            action.OnExecution = model->OnExecution;
        if (!action.OnFileCondition)
            action.OnFileCondition = model->OnFileCondition;
        if (!action.OnGeneralCondition)
            action.OnGeneralCondition = model->OnGeneralCondition;
    }
}

} // namespace actions
