#pragma once
// What a document's update of all views carries: a hint number and, for some hints, an object
// that says more.

#include "ide/automation/project_interfaces.h"
#include "ide/framework/widgets/win_types.h"

#include <string>

namespace vx {

// The general refresh: the host sends it when a page becomes the shown one.
inline constexpr LPARAM HINT_GENERAL_REFRESH = 0;
// A row of a project table was added, changed or removed, or several rows changed at once; the
// object is a CItemChangedHint.
inline constexpr LPARAM HINT_ITEM_CHANGED = 2;

// The base of hint objects; views tell them apart with dynamic_cast.
class CUpdateHint {
public:
    virtual ~CUpdateHint() = default;

protected:
    CUpdateHint() = default;
    CUpdateHint(const CUpdateHint&) = default;
    CUpdateHint& operator=(const CUpdateHint&) = default;
};

class CItemChangedHint final : public CUpdateHint {
public:
    CItemChangedHint(std::u16string table, std::u16string key, ItemChange change,
                     std::u16string property)
        : m_table(std::move(table)), m_key(std::move(key)), m_change(change),
          m_property(std::move(property)) {}

    // The changed table's name, e.g. "VXKestromFile".
    const std::u16string& GetTableName() const { return m_table; }
    // The changed row's key. Empty (with ItemModified and no property) when several rows
    // changed at once, by a batch of writes or by another program: read the table afresh.
    const std::u16string& GetKey() const { return m_key; }
    ItemChange GetChange() const { return m_change; }
    // The changed column's property for ItemModified; empty otherwise.
    const std::u16string& GetProperty() const { return m_property; }

private:
    std::u16string m_table;
    std::u16string m_key;
    ItemChange m_change;
    std::u16string m_property;
};

} // namespace vx
