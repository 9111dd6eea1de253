#include "ide/framework/widgets/browse_file.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace vx {
namespace {

bool IsPattern(const QString& text) {
    return text.contains(QLatin1Char('*')) || text.contains(QLatin1Char('?'));
}

} // namespace

QStringList CVXBrowseFile::NameFilters(const QString& filter) {
    static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        description.remove(trailingPatterns);
        QStringList patterns;
        for (QString pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            pattern = pattern.trimmed();
            if (pattern == QLatin1String("*.*") || pattern == QLatin1String("**")) {
                pattern = QStringLiteral("*");
            }
            patterns.push_back(pattern);
        }
        if (!patterns.isEmpty()) {
            filters.push_back(description + QLatin1String(" (") + patterns.join(QLatin1Char(' ')) +
                              QLatin1Char(')'));
        }
    }
    return filters;
}

CVXBrowseFile::CVXBrowseFile(bool openDialog, const QString& defaultExtension,
                             const QString& fileName, uint32_t flags, const QString& filter,
                             QWidget* parent) {
    m_request.open = openDialog;
    m_request.owner = parent;
    m_request.nameFilters = NameFilters(filter);
    m_request.mustExist = (flags & OFN_FILEMUSTEXIST) != 0;
    m_request.multiple = (flags & OFN_ALLOWMULTISELECT) != 0;
    m_request.overwritePrompt = (flags & OFN_OVERWRITEPROMPT) != 0;
    QString suffix = defaultExtension;
    while (suffix.startsWith(QLatin1Char('*')) || suffix.startsWith(QLatin1Char('.'))) {
        suffix.remove(0, 1);
    }
    if (!IsPattern(suffix)) {
        m_request.defaultSuffix = suffix;
    }
    const QFileInfo initial(fileName);
    if (!fileName.isEmpty() && initial.isDir()) {
        m_request.folder = initial.absoluteFilePath();
    } else if (!fileName.isEmpty()) {
        if (fileName.contains(QLatin1Char('/'))) {
            m_request.folder = initial.absolutePath();
        }
        if (!IsPattern(initial.fileName())) {
            m_request.fileName = initial.fileName();
        }
    }
}

std::optional<QString> CVXBrowseFile::DoModal() {
    m_paths = CurrentFileDialogService().Show(m_request);
    if (m_paths.isEmpty()) {
        return std::nullopt;
    }
    return m_paths.front();
}

} // namespace vx
