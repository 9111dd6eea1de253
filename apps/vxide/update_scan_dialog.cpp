#include "apps/vxide/update_scan_dialog.h"

#include "apps/vxide/error_report.h"
#include "ide/framework/message_service.h"
#include "ide/framework/widgets/file_dialog_service.h"
#include "platform/com/com_exception.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QProgressDialog>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vx::ide {
namespace {

enum Column { kStatusColumn, kFileColumn, kDetailColumn };
// The row's index into the dialog's proposals; -1 for a row without one.
constexpr int kProposalRole = Qt::UserRole;

QString Text(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// The same files as `vxpatch scan` lists: unchanged ones only when they have something to say.
bool Listed(const ScannedFile& file) {
    return file.status != ScanStatus::Unchanged || file.hashMismatch;
}

bool Proposed(const ScannedFile& file) {
    return file.status == ScanStatus::Changed || file.status == ScanStatus::New ||
           file.status == ScanStatus::Missing;
}

QString Summary(const ScanResult& result) {
    int counts[5] = {};
    for (const ScannedFile& file : result.files) {
        ++counts[static_cast<int>(file.status)];
    }
    return QObject::tr("%1 changed, %2 new, %3 missing, %4 failed; %5 unchanged.\n"
                       "Checked files are added to the patch. Checking a missing file removes "
                       "it with the patch.")
        .arg(counts[static_cast<int>(ScanStatus::Changed)])
        .arg(counts[static_cast<int>(ScanStatus::New)])
        .arg(counts[static_cast<int>(ScanStatus::Missing)])
        .arg(counts[static_cast<int>(ScanStatus::Failed)])
        .arg(counts[static_cast<int>(ScanStatus::Unchanged)]);
}

QString Describe(const CComException& failure) {
    return QString::fromStdU16String(failure.Description());
}
QString Describe(const std::exception& failure) {
    return QString::fromUtf8(failure.what());
}

QString OutcomeLine(const ApplyOutcome& outcome) {
    return outcome.note.empty() ? Text(outcome.key)
                                : u"%1: %2"_s.arg(Text(outcome.key), Text(outcome.note));
}

} // namespace

UpdateScanDialog::UpdateScanDialog(const ScanResult& result, QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Scan Updated Build: %1").arg(Text(result.folder)));
    setObjectName(u"UpdateScanDialog"_s);

    auto* summary = new QLabel(Summary(result), this);
    summary->setWordWrap(true);

    m_files = new QTreeWidget(this);
    m_files->setObjectName(u"ScanFiles"_s);
    m_files->setAccessibleName(tr("Files found by the scan"));
    m_files->setRootIsDecorated(false);
    m_files->setUniformRowHeights(true);
    m_files->setHeaderLabels({tr("Status"), tr("File"), tr("Reason")});

    // ProposeEntries answers one proposal per changed, new and missing file, in file order.
    const std::vector<ScanProposal> proposals = ProposeEntries(result, true);
    auto next = proposals.begin();
    QList<QTreeWidgetItem*> rows;
    for (const ScannedFile& file : result.files) {
        const bool proposed = Proposed(file);
        if (!Listed(file)) {
            continue;
        }
        QString detail = Text(file.detail);
        if (file.entryType >= 0) {
            detail += tr(" (already in the project as %1)").arg(Text(file.entryKey));
        }
        auto* row =
            new QTreeWidgetItem({Text(ScanStatusName(file.status)),
                                 Text(file.key.empty() ? file.relativePath : file.key), detail});
        row->setToolTip(kFileColumn, Text(file.relativePath));
        row->setToolTip(kDetailColumn, detail);
        row->setData(kStatusColumn, kProposalRole, -1);
        if (proposed && next != proposals.end() && next->key == file.key &&
            next->relativePath == file.relativePath) {
            row->setData(kStatusColumn, kProposalRole, static_cast<int>(m_proposals.size()));
            row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
            row->setCheckState(kStatusColumn,
                               file.status == ScanStatus::Missing ? Qt::Unchecked : Qt::Checked);
            m_proposals.push_back(*next++);
        }
        rows.push_back(row);
    }
    m_files->addTopLevelItems(rows);
    if (!rows.isEmpty()) {
        m_files->setCurrentItem(rows.front());
    }
    m_files->resizeColumnToContents(kStatusColumn);
    m_files->resizeColumnToContents(kFileColumn);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("&Add Checked"));
    buttons->button(QDialogButtonBox::Ok)->setAccessibleName(tr("Add the checked files"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary);
    layout->addWidget(m_files, 1);
    layout->addWidget(buttons);
    m_files->setFocus();
    resize(760, 420);
}

int UpdateScanDialog::RowCount() const {
    return m_files->topLevelItemCount();
}

std::vector<ScanProposal> UpdateScanDialog::CheckedProposals() const {
    std::vector<ScanProposal> checked;
    for (int i = 0; i < m_files->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = m_files->topLevelItem(i);
        const int proposal = row->data(kStatusColumn, kProposalRole).toInt();
        if (proposal >= 0 && row->checkState(kStatusColumn) == Qt::Checked) {
            checked.push_back(m_proposals[static_cast<size_t>(proposal)]);
        }
    }
    return checked;
}

std::vector<ScanProposal> ChooseUpdateProposals(QWidget* owner, CUpdateScan& scan) {
    FileDialogRequest request;
    request.title = QObject::tr("Scan Updated Build: the Folder of the Updated Files");
    request.directory = true;
    request.mustExist = true;
    request.owner = owner;
    const QStringList chosen = CurrentFileDialogService().Show(request);
    if (chosen.isEmpty()) {
        return {};
    }
    const QString folder = chosen.front();

    ScanResult result;
    try {
        QProgressDialog progress(QObject::tr("Scanning %1...").arg(folder), QObject::tr("Cancel"),
                                 0, 0, owner);
        progress.setWindowTitle(QObject::tr("Scan Updated Build"));
        progress.setAccessibleName(QObject::tr("Scan progress"));
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(400);
        const QLocale locale;
        result = scan.Scan(
            folder.toStdU16String(), [&](uint64_t done, uint64_t total, uint64_t bytesRead) {
                // The dialog's range is an int; a package has fewer files.
                progress.setMaximum(static_cast<int>(total));
                progress.setLabelText(
                    QObject::tr("Scanning %1...\n%2 read")
                        .arg(folder, locale.formattedDataSize(static_cast<qint64>(bytesRead))));
                progress.setValue(static_cast<int>(done));
                QCoreApplication::processEvents();
                return !progress.wasCanceled();
            });
    } catch (const CComException& failure) {
        ReportError(QObject::tr("%1 cannot be scanned: %2").arg(folder, Describe(failure)));
        return {};
    } catch (const std::exception& failure) {
        ReportError(QObject::tr("%1 cannot be scanned: %2").arg(folder, Describe(failure)));
        return {};
    }
    if (result.cancelled) {
        return {};
    }

    UpdateScanDialog dialog(result, owner);
    if (dialog.RowCount() == 0) {
        WindowMessageBox(QObject::tr("The files in %1 are those of the original package.")
                             .arg(folder)
                             .toStdU16String(),
                         u"Scan Updated Build", MB_OK | MB_ICONINFORMATION);
        return {};
    }
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    return dialog.CheckedProposals();
}

ApplyReport ApplyUpdateProposals(CUpdateScan& scan, const std::vector<ScanProposal>& proposals) {
    std::vector<ApplyOutcome> outcomes;
    const QString cannot = QObject::tr("The files cannot be added to the patch: %1");
    try {
        outcomes = scan.Apply(proposals);
    } catch (const CComException& failure) {
        return {cannot.arg(Describe(failure)), true};
    } catch (const std::exception& failure) {
        return {cannot.arg(Describe(failure)), true};
    }
    QStringList added;
    QStringList kept;
    for (const ApplyOutcome& outcome : outcomes) {
        (outcome.added ? added : kept) << OutcomeLine(outcome);
    }
    QString text = added.size() == 1
                       ? QObject::tr("1 entry added to the patch.")
                       : QObject::tr("%1 entries added to the patch.").arg(added.size());
    if (!added.isEmpty()) {
        text += u"\n    "_s + added.join(u"\n    "_s);
    }
    if (!kept.isEmpty()) {
        text += u"\n\n"_s +
                (kept.size() == 1 ? QObject::tr("1 left as it is:")
                                  : QObject::tr("%1 left as they are:").arg(kept.size())) +
                u"\n    "_s + kept.join(u"\n    "_s);
    }
    return {text, false};
}

} // namespace vx::ide
