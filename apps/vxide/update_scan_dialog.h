#pragma once
// What an update scan found, for the author to choose from: one row per file that is not
// unchanged, and per unchanged file whose hash row is wrong, as vxpatch scan lists them (status,
// File key or path, the reason), a check box on each row the scan proposes
// an entry for. Changed and new files start checked; a missing file starts unchecked, and
// checking it proposes its deletion. Failed files are listed without a check box.

#include "VxWsApplicationFilesEP/scan/update_scan.h"

#include <QDialog>
#include <QString>

#include <vector>

class QTreeWidget;

namespace vx::ide {

class UpdateScanDialog final : public QDialog {
    Q_OBJECT
public:
    UpdateScanDialog(const ScanResult& result, QWidget* parent = nullptr);

    // The proposals of the checked rows, in row order.
    std::vector<ScanProposal> CheckedProposals() const;
    int RowCount() const;

private:
    QTreeWidget* m_files = nullptr;
    std::vector<ScanProposal> m_proposals; // indexed by the row's proposal number
};

// The scan as the IDE's command runs it: asks for the folder, scans with a progress dialog the
// author can cancel and lets the author choose in an UpdateScanDialog. Answers the checked
// proposals, none when the author cancelled anywhere; failures are reported.
std::vector<ScanProposal> ChooseUpdateProposals(QWidget* owner, CUpdateScan& scan);
// Applies `proposals` in one write of the project. Answers what the author is told: what was
// added and what was kept, or the failure. Nothing is shown here, so that the caller can show
// the page again first.
struct ApplyReport {
    QString text;
    bool failed = false;
};
ApplyReport ApplyUpdateProposals(CUpdateScan& scan, const std::vector<ScanProposal>& proposals);

} // namespace vx::ide
