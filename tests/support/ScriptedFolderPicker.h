#pragma once

#include "core/platform/FolderPicker.h"

#include <QList>
#include <memory>

namespace Sweepora::Test {

// Answers at once with the scripted folders, in order (none: cancel), and keeps the requests.
class ScriptedFolderPicker : public Core::FolderPicker
{
public:
    static std::shared_ptr<ScriptedFolderPicker> install()
    {
        auto picker = std::make_shared<ScriptedFolderPicker>();
        setCurrent(picker);
        return picker;
    }
    // A location with access rights, as if the user had chosen it.
    static Core::FolderUrl withRights(const QString& path) { return chosen(path); }

    void answerWith(const QString& path) { m_answers.append(chosen(path)); }
    void cancelNext() { m_answers.append(std::nullopt); }
    const QList<Core::FolderPickerRequest>& requests() const { return m_requests; }

    void pickFolder(const Core::FolderPickerRequest& request, Completion completion) override
    {
        m_requests.append(request);
        completion(m_answers.isEmpty() ? std::nullopt : m_answers.takeFirst());
    }

private:
    QList<std::optional<Core::FolderUrl>> m_answers;
    QList<Core::FolderPickerRequest> m_requests;
};

} // namespace Sweepora::Test
