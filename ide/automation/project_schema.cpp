#include "ide/automation/project_schema.h"

#include "ide/automation/project_errors.h"
#include "platform/sys/format_string.h"

#include <string>

namespace vx {
namespace {

// The checks repeat the limits the code enforces, so that a value written by another tool that
// breaks them is refused by the file itself.
constexpr const char* kSchema[] = {
    "CREATE TABLE VXProjectProperty ("
    " Name TEXT NOT NULL PRIMARY KEY,"
    " Value TEXT NOT NULL CHECK (length(Value) <= 32767))",

    "CREATE TABLE VXPathVariable ("
    " Name TEXT NOT NULL PRIMARY KEY COLLATE NOCASE"
    "  CHECK (length(Name) BETWEEN 1 AND 64),"
    " Value TEXT NOT NULL CHECK (length(Value) <= 32767))",

    "CREATE TABLE VXKestromFile ("
    " OriginalFile TEXT NOT NULL PRIMARY KEY CHECK (length(OriginalFile) BETWEEN 1 AND 72),"
    " Sequence INTEGER NOT NULL UNIQUE,"
    " Type INTEGER NOT NULL DEFAULT 0 CHECK (Type IN (0, 1, 2)),"
    " NewFilePath TEXT NOT NULL DEFAULT '' CHECK (length(NewFilePath) <= 32767),"
    " SelfReg INTEGER NOT NULL DEFAULT 0 CHECK (SelfReg IN (0, 1)),"
    " ExtractCOM INTEGER NOT NULL DEFAULT 0 CHECK (ExtractCOM IN (0, 1)),"
    " Overwrite INTEGER NOT NULL DEFAULT 0 CHECK (Overwrite IN (0, 1)),"
    " Feature TEXT NOT NULL DEFAULT '' CHECK (length(Feature) <= 4096),"
    " DestinationDir TEXT NOT NULL DEFAULT '' CHECK (length(DestinationDir) <= 72))",
};

// Each table with the columns the code reads and writes.
constexpr const char* kExpectedColumns[] = {
    "SELECT Name, Value FROM VXProjectProperty LIMIT 0",
    "SELECT Name, Value FROM VXPathVariable LIMIT 0",
    ("SELECT OriginalFile, Sequence, Type, NewFilePath, SelfReg, ExtractCOM, Overwrite, Feature,"
     " DestinationDir FROM VXKestromFile LIMIT 0"),
};

int64_t PragmaValue(SqliteConnection& connection, const char* pragma) {
    SqliteStatement statement(connection, pragma);
    return statement.Step() ? statement.Integer(0) : 0;
}

[[noreturn]] void Damaged(const SqliteConnection& connection, std::u16string_view what) {
    throw ProjectFailure(
        VXPROJ_E_DAMAGED,
        FormatString(u"The project file \"%s\" is damaged and cannot be used (%s).",
                     connection.Path(), what));
}

} // namespace

void CreateProjectSchema(SqliteConnection& connection) {
    connection.Execute("PRAGMA application_id = " + std::to_string(kProjectApplicationId));
    connection.Execute("PRAGMA user_version = " + std::to_string(kProjectSchemaVersion));
    for (const char* statement : kSchema) {
        connection.Execute(statement);
    }
}

int32_t CheckProjectSchema(SqliteConnection& connection) {
    // The first read of the header: SQLite answers "not a database" here for a file of another
    // kind, and the failure carries the code for it.
    const int64_t applicationId = PragmaValue(connection, "PRAGMA application_id");
    if (applicationId != kProjectApplicationId) {
        throw ProjectFailure(
            VXPROJ_E_NOTPROJECT,
            FormatString(u"\"%s\" is not a project file: it is a database of another program.",
                         connection.Path()));
    }
    const int64_t version = PragmaValue(connection, "PRAGMA user_version");
    if (version > kProjectSchemaVersion) {
        throw ProjectFailure(
            VXPROJ_E_NEWERSCHEMA,
            FormatString(u"The project file \"%s\" was saved by a newer version of this program "
                         u"(project format %d; this version reads format %d and older). Open it "
                         u"with the newer version.",
                         connection.Path(), version, kProjectSchemaVersion));
    }
    if (version < 1) {
        Damaged(connection, u"it has no project format version");
    }
    {
        SqliteStatement check(connection, "PRAGMA quick_check(1)");
        if (!check.Step() || check.Text(0) != u"ok") {
            Damaged(connection, u"its pages are inconsistent");
        }
    }
    for (const char* columns : kExpectedColumns) {
        try {
            SqliteStatement statement(connection, columns);
        } catch (const ProjectFailure& failure) {
            if (failure.hr() == VXPROJ_E_BUSY) {
                throw;
            }
            Damaged(connection, u"a table of the project is missing or incomplete");
        }
    }
    return static_cast<int32_t>(version);
}

} // namespace vx
