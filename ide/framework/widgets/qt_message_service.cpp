#include "ide/framework/widgets/qt_message_service.h"

#include <QApplication>
#include <QMessageBox>

namespace vx {
namespace {

constexpr uint32_t kButtonsMask = 0x0F;
constexpr uint32_t kIconMask = 0xF0;

QMessageBox::StandardButtons ButtonsOf(uint32_t style) {
    switch (style & kButtonsMask) {
    case MB_OKCANCEL:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case 0x2:
        return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case 0x3:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MB_YESNO:
        return QMessageBox::Yes | QMessageBox::No;
    case 0x5:
        return QMessageBox::Retry | QMessageBox::Cancel;
    default:
        return QMessageBox::Ok;
    }
}

QMessageBox::Icon IconOf(uint32_t style) {
    switch (style & kIconMask) {
    case MB_ICONERROR:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONEXCLAMATION:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

int AnswerOf(int button) {
    switch (button) {
    case QMessageBox::Ok:
        return IDOK;
    case QMessageBox::Cancel:
        return IDCANCEL;
    case QMessageBox::Abort:
        return 3;
    case QMessageBox::Retry:
        return 4;
    case QMessageBox::Ignore:
        return 5;
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    default:
        return IDCANCEL; // closed without a button
    }
}

} // namespace

int CQtMessageService::Show(const MessageBoxRequest& request) {
    const QString caption = request.caption.empty() ? QApplication::applicationDisplayName()
                                                    : QString::fromStdU16String(request.caption);
    QMessageBox box(IconOf(request.style), caption, QString::fromStdU16String(request.text),
                    ButtonsOf(request.style), QApplication::activeWindow());
    return AnswerOf(box.exec());
}

} // namespace vx
