#pragma once
// The forms' file dialog, taking its arguments in the page's terms: a default extension, an
// initial file (a path, or a pattern such as "*.*" that names none), OFN_ flags and a filter
// of "description|patterns|" pairs. It goes through the file-dialog service, so tests answer
// it.

#include "ide/framework/widgets/file_dialog_service.h"
#include "ide/framework/widgets/win_types.h"

#include <optional>

namespace vx {

inline constexpr uint32_t OFN_OVERWRITEPROMPT = 0x00000002;
inline constexpr uint32_t OFN_HIDEREADONLY = 0x00000004;
inline constexpr uint32_t OFN_ALLOWMULTISELECT = 0x00000200;
inline constexpr uint32_t OFN_PATHMUSTEXIST = 0x00000800;
inline constexpr uint32_t OFN_FILEMUSTEXIST = 0x00001000;

class CVXBrowseFile {
public:
    CVXBrowseFile(bool openDialog, const QString& defaultExtension, const QString& fileName,
                  uint32_t flags, const QString& filter, QWidget* parent = nullptr);

    // Shows the dialog; the chosen path (the first when several), or nothing on cancel.
    std::optional<QString> DoModal();
    QString GetPathName() const { return m_paths.value(0); }
    const QStringList& GetPathNames() const { return m_paths; }

    // What the service is asked (tests read it).
    const FileDialogRequest& Request() const { return m_request; }

    // "Text files (*.txt)|*.txt;*.log|All Files (*.*)|*.*|" in Qt's form: one filter a pair,
    // the description's own "(...)" replaced by the patterns, "*.*" and "**" read as "*"
    // (every file, as on the system the filters were written for).
    static QStringList NameFilters(const QString& filter);

private:
    FileDialogRequest m_request;
    QStringList m_paths;
};

} // namespace vx
