#include "apps/vxide/page_registry.h"

#include "ide/framework/service_object_loader.h"
#include "platform/com/com_exception.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace vx::ide {

std::vector<PageRegistration> ReadPageRegistrations(const QString& folder, QStringList* problems) {
    std::vector<PageRegistration> pages;
    const QDir dir(folder);
    for (const QString& fileName : dir.entryList({u"*.page"_s}, QDir::Files, QDir::Name)) {
        const QString file = dir.filePath(fileName);
        QSettings settings(file, QSettings::IniFormat);
        settings.beginGroup(u"Page"_s);
        PageRegistration page;
        page.registrationFile = file;
        page.name = settings.value(u"Name"_s).toString();
        page.order = settings.value(u"Order"_s, 100).toInt();
        page.progId = settings.value(u"ProgID"_s).toString();
        const std::optional<GUID> clsid =
            ParseGuid(settings.value(u"CLSID"_s).toString().toStdU16String());
        const QString module = settings.value(u"Module"_s).toString();
        if (settings.status() != QSettings::NoError || page.name.isEmpty() || !clsid ||
            module.isEmpty()) {
            problems->append(u"%1: not a page registration (it needs Name, CLSID and Module in "
                             u"its [Page] group)"_s.arg(file));
            continue;
        }
        page.clsid = *clsid;
        page.moduleFile = QDir::cleanPath(QFileInfo(file).absoluteDir().filePath(module));
        pages.push_back(std::move(page));
    }
    std::stable_sort(pages.begin(), pages.end(), [](const auto& a, const auto& b) {
        return a.order != b.order ? a.order < b.order : a.name < b.name;
    });
    return pages;
}

HRESULT CreatePageControl(const PageRegistration& page, IWorkspace2** control) {
    if (!QFileInfo::exists(page.moduleFile)) {
        return FailWithDescription(
            REGDB_E_CLASSNOTREG,
            (u"The module of the page \"%1\" is missing: %2"_s.arg(page.name, page.moduleFile))
                .toStdU16String());
    }
    ComPtr<IClassFactory> factory;
    HRESULT hr = CServiceObjectLoader::Instance().GetClassObject(
        page.moduleFile.toStdU16String(), page.clsid, factory.ReleaseAndGetAddressOf());
    if (FAILED(hr)) {
        return hr;
    }
    return factory->CreateInstance(nullptr, IWorkspace2::kIid, reinterpret_cast<void**>(control));
}

} // namespace vx::ide
