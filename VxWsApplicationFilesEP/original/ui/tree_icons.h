#pragma once
// The trees' icons, from the page's resources: 16x16 pixel maps whose magenta pixels are
// transparent, each with its 32x32 double for screens of twice the density.

#include <QIcon>
#include <QString>

namespace vx {

// `name` is the icon's file name without extension ("package", "folder_closed", ...); a null
// icon when there is none.
QIcon LoadTreeIcon(const QString& name);

} // namespace vx
