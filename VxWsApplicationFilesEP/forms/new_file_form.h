#pragma once
// The form of a patch entry that adds a new file (template 200): the file on disk, whether it
// registers itself or has COM information extracted (the two exclude each other, and a note
// warns while either is on), the folder of the original setup it goes into, and the features
// of the original setup that contain it.

#include "VxWsApplicationFilesEP/forms/feature_field.h"
#include "VxWsApplicationFilesEP/forms/patch_attribute_form.h"
#include "ide/framework/widgets/image_list.h"
#include "ide/framework/widgets/tree_types.h"
#include "platform/msi/msi_api.h"

namespace vx {

class CFeatureTree;

inline constexpr char16_t kNewFileFormUnit[] =
    u"FrontEnd\\Views\\Kestrom\\VxWsApplicationFilesEP\\NewFileForm";
inline constexpr int kNewFileFormInitLine = 88;

class CNewFileForm final : public CPatchAttributeForm {
    Q_OBJECT

public:
    CNewFileForm();

    bool Create(QWidget* pane, UINT id) override;
    // Fills every control for the entry. Installer failures while the feature tree is built
    // raise; the tree then holds the features read so far. The form does not fill itself again
    // when it is shown.
    void ShowFile(const std::u16string& entryKey) override;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    void OnInit() override;
    void OnCommand(UINT id, UINT notifyCode) override;

private:
    CFeatureTree& Features() const;
    void FillDestinations();
    void ShowDestinationPath(const std::u16string& directoryKey);
    void BuildFeatureTree();
    void InsertFeatures(MSIHANDLE database, const std::u16string& parentKey, HTREEITEM parent);
    void FeatureClicked(QPoint client);
    // Writes the entry's feature field with `item`'s feature added when its box is clear now,
    // removed when it is checked: the box has not toggled yet.
    void FeatureCheckChanging(HTREEITEM item);
    void SelfRegChanged();
    void ExtractComChanged();
    void ShowRegistrationNote();
    void DestinationChanged();
    void CommitNewFilePath();
    void Browse();

    CVXImageList m_featureImages{QSize(16, 16)};
    FeatureSet m_features; // the entry's, as last read
};

} // namespace vx
