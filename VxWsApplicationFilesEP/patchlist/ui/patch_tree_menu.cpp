#include "VxWsApplicationFilesEP/patchlist/ui/patch_tree_menu.h"

namespace vx {

CVXMenu LoadPatchTreeMenu() {
    CVXMenu menu;
    menu.AppendMenu(ID_DELETE_PATCH_FILE, QStringLiteral("&Delete\tDel"))
        .AppendMenu(ID_PATCH_EXISTING_FILE, QStringLiteral("&Patch Existing File\tIns"))
        .AppendMenu(ID_INSERT_NEW_FILE, QStringLiteral("Insert &New File"));
    return menu;
}

} // namespace vx
