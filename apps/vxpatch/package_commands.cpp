#include "apps/vxpatch/package_commands.h"

#include "VxWsApplicationFilesEP/package/msi_errors.h"
#include "VxWsApplicationFilesEP/package/msi_handles.h"
#include "VxWsApplicationFilesEP/package/package_kind.h"
#include "apps/vxpatch/console.h"
#include "apps/vxpatch/data_output.h"
#include "apps/vxpatch/idt_writer.h"
#include "platform/com/com_exception.h"
#include "platform/sys/format_string.h"

#include <ctime>
#include <vector>

namespace vx::cli {
namespace {

CMsiHandle OpenPackage(const std::u16string& path) {
    CMsiHandle database;
    const UINT result = MsiOpenDatabaseW(path.c_str(), MSIDBOPEN_READONLY, database.Out());
    // These commands read patches and transforms too; a file that is none of the installer's
    // is named for what it is.
    if (result != 0) {
        const std::u16string text = WrongPackageKindText(path, ClassifyInstallerFile(path));
        if (!text.empty()) {
            throw CComException(com_exception(E_FAIL, text));
        }
    }
    CheckMsiResult(result, kApiOpenDatabase, path);
    return database;
}

CMsiView OpenExecutedView(MSIHANDLE database, std::u16string_view query, MSIHANDLE params = 0) {
    CMsiView view;
    OpenViewChecked(database, query, view.Out());
    view.Execute(params);
    return view;
}

std::vector<std::u16string> ColumnInfo(const CMsiView& view, MSICOLINFO kind) {
    CMsiHandle info;
    CheckMsiResult(MsiViewGetColumnInfo(view, kind, info.Out()), u"MsiViewGetColumnInfo");
    CMsiRecord record(info.Detach());
    std::vector<std::u16string> out;
    const UINT count = MsiRecordGetFieldCount(record.Handle());
    for (UINT i = 1; i <= count; ++i) {
        out.push_back(record.GetString(i));
    }
    return out;
}

std::u16string QuoteName(std::u16string_view name) {
    return u"`" + std::u16string(name) + u"`";
}

// Prints the Name column of a system table, one a line.
int ListNames(std::span<const std::u16string> args, std::u16string_view table) {
    CMsiHandle database = OpenPackage(args[0]);
    CMsiView view = OpenExecutedView(database, u"SELECT `Name` FROM " + QuoteName(table));
    RowPrinter rows({{u"Name"}});
    while (CMsiRecord row = view.Fetch()) {
        rows.Row({row.GetString(1)});
    }
    return kExitSuccess;
}

int Tables(std::span<const std::u16string> args) {
    return ListNames(args, u"_Tables");
}

int Export(std::span<const std::u16string> args) {
    const std::u16string& table = args[1];
    CMsiHandle database = OpenPackage(args[0]);
    CMsiView view = OpenExecutedView(database, u"SELECT * FROM " + QuoteName(table));
    const auto names = ColumnInfo(view, MSICOLINFO_NAMES);
    const auto types = ColumnInfo(view, MSICOLINFO_TYPES);

    CMsiHandle keys;
    CheckMsiResult(MsiDatabaseGetPrimaryKeysW(database, table.c_str(), keys.Out()),
                   u"MsiDatabaseGetPrimaryKeys", table);
    CMsiRecord keyRecord(keys.Detach());
    std::vector<std::u16string> keyLine{table};
    std::vector<size_t> keyColumns;
    for (UINT i = 1; i <= MsiRecordGetFieldCount(keyRecord.Handle()); ++i) {
        keyLine.push_back(keyRecord.GetString(i));
        for (size_t c = 0; c < names.size(); ++c) {
            if (names[c] == keyLine.back()) {
                keyColumns.push_back(c);
            }
        }
    }

    std::u16string out = IdtLine(names) + IdtLine(types) + IdtLine(keyLine);
    while (CMsiRecord row = view.Fetch()) {
        std::vector<std::u16string> fields;
        for (size_t c = 0; c < names.size(); ++c) {
            const UINT field = static_cast<UINT>(c + 1);
            if (types[c].front() == u'v' || types[c].front() == u'V') {
                // A stream is named after its table and the row's keys, as IDT files name the
                // file that would hold it.
                std::u16string streamName;
                if (!row.IsNull(field)) {
                    streamName = table;
                    for (size_t k : keyColumns) {
                        streamName += u"." + row.GetString(static_cast<UINT>(k + 1));
                    }
                }
                fields.push_back(streamName);
            } else {
                // Written as stored, line breaks included, as msiinfo writes IDT files.
                fields.push_back(row.GetString(field));
            }
        }
        out += IdtLine(fields);
    }
    Print(out);
    return kExitSuccess;
}

int Query(std::span<const std::u16string> args) {
    CMsiHandle database = OpenPackage(args[0]);
    CMsiHandle params;
    const size_t valueCount = args.size() - 2;
    if (valueCount > 0) {
        params = CMsiHandle(MsiCreateRecord(static_cast<UINT>(valueCount)));
        for (size_t i = 0; i < valueCount; ++i) {
            SetRecordString(params, static_cast<UINT>(i + 1), args[i + 2]);
        }
    }
    CMsiView view = OpenExecutedView(database, args[1], params);
    const auto types = ColumnInfo(view, MSICOLINFO_TYPES);
    if (JsonOutput()) {
        // Values as they are (integers as numbers, null cells as null), each binary cell as
        // "<N bytes>"; the keys are the column names.
        const auto names = ColumnInfo(view, MSICOLINFO_NAMES);
        std::vector<Column> columns;
        for (size_t c = 0; c < names.size(); ++c) {
            const char16_t kind = types[c].empty() ? u's' : types[c].front();
            columns.push_back(
                {names[c], kind == u'i' || kind == u'I' ? CellKind::Number : CellKind::Text});
        }
        RowPrinter rows(columns);
        while (CMsiRecord row = view.Fetch()) {
            std::vector<std::u16string> cells;
            std::vector<bool> nulls;
            for (size_t c = 0; c < types.size(); ++c) {
                const UINT field = static_cast<UINT>(c + 1);
                const char16_t kind = types[c].empty() ? u's' : types[c].front();
                nulls.push_back(row.IsNull(field));
                cells.push_back(
                    kind == u'v' || kind == u'V'
                        ? FormatString(u"<%u bytes>", MsiRecordDataSize(row.Handle(), field))
                        : row.GetString(field));
            }
            rows.Row(cells, nulls);
        }
        return kExitSuccess;
    }
    while (CMsiRecord row = view.Fetch()) {
        std::vector<std::u16string> fields;
        for (size_t c = 0; c < types.size(); ++c) {
            const UINT field = static_cast<UINT>(c + 1);
            if ((types[c].front() == u'v' || types[c].front() == u'V') && !row.IsNull(field)) {
                fields.push_back(
                    FormatString(u"<%u bytes>", MsiRecordDataSize(row.Handle(), field)));
            } else {
                fields.push_back(EscapeIdtField(row.GetString(field)));
            }
        }
        std::u16string line = IdtLine(fields);
        line.erase(line.size() - 2); // the terminal's own line ends, not CR LF
        PrintLine(line);
    }
    return kExitSuccess;
}

std::u16string FileTimeText(const MsiFileTime& time) {
    const uint64_t ticks = (uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
    constexpr uint64_t kTicksPerSecond = 10'000'000;
    constexpr uint64_t kUnixEpochSeconds = 11'644'473'600; // 1601-01-01 to 1970-01-01
    const uint64_t seconds = ticks / kTicksPerSecond;
    if (seconds < kUnixEpochSeconds) {
        return FormatString(u"%u (before 1970)", ticks);
    }
    const std::time_t unixTime = static_cast<std::time_t>(seconds - kUnixEpochSeconds);
    std::tm parts{};
    gmtime_r(&unixTime, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &parts);
    return std::u16string(text, text + std::char_traits<char>::length(text));
}

int SummaryInfo(std::span<const std::u16string> args) {
    CMsiHandle database = OpenPackage(args[0]);
    CMsiHandle summary;
    CheckMsiResult(MsiGetSummaryInformationW(database, nullptr, 0, summary.Out()),
                   u"MsiGetSummaryInformation");
    static constexpr std::pair<UINT, std::u16string_view> kNames[] = {
        {1, u"Code page"},        {2, u"Title"},
        {3, u"Subject"},          {4, u"Author"},
        {5, u"Keywords"},         {6, u"Comments"},
        {7, u"Template"},         {8, u"Last saved by"},
        {9, u"Revision number"},  {11, u"Last printed"},
        {12, u"Created"},         {13, u"Last saved"},
        {14, u"Page count"},      {15, u"Word count"},
        {16, u"Character count"}, {18, u"Creating application"},
        {19, u"Security"},
    };
    for (const auto& [property, name] : kNames) {
        UINT type = 0;
        INT integer = 0;
        MsiFileTime time;
        MsiDWORD size = 0;
        std::u16string text;
        UINT result =
            MsiSummaryInfoGetPropertyW(summary, property, &type, &integer, &time, nullptr, &size);
        if (result != ERROR_SUCCESS || type == VT_EMPTY_PROPERTY) {
            continue;
        }
        if (type == VT_LPSTR_PROPERTY) {
            std::vector<char16_t> buffer(size_t{size} + 1, 0);
            size += 1;
            MsiSummaryInfoGetPropertyW(summary, property, &type, &integer, &time, buffer.data(),
                                       &size);
            text = buffer.data();
        } else if (type == VT_FILETIME_PROPERTY) {
            text = FileTimeText(time);
        } else {
            text = FormatString(u"%d", integer);
        }
        PrintLine(std::u16string(name) + u": " + text);
    }
    return kExitSuccess;
}

int Streams(std::span<const std::u16string> args) {
    return ListNames(args, u"_Streams");
}

int Version(std::span<const std::u16string> args) {
    MsiDWORD versionSize = 0;
    MsiDWORD languageSize = 0;
    UINT result =
        MsiGetFileVersionW(args[0].c_str(), nullptr, &versionSize, nullptr, &languageSize);
    if (result == ERROR_FILE_INVALID) {
        PrintError(args[0] + u": the file has no version resource");
        return kExitFailure;
    }
    if (result != ERROR_SUCCESS) {
        CheckMsiResult(result, u"MsiGetFileVersion", args[0]);
    }
    std::vector<char16_t> version(size_t{versionSize} + 1, 0);
    std::vector<char16_t> language(size_t{languageSize} + 1, 0);
    versionSize += 1;
    languageSize += 1;
    result = MsiGetFileVersionW(args[0].c_str(), version.data(), &versionSize, language.data(),
                                &languageSize);
    CheckMsiResult(result, u"MsiGetFileVersion", args[0]);
    PrintLine(std::u16string(version.data()) + u"\t" + language.data());
    return kExitSuccess;
}

} // namespace

void AddPackageCommands(CommandTable& table) {
    table.Add({u"tables", u"PKG", 1, 1, u"list the package's tables", Tables, true});
    table.Add({u"export", u"PKG TABLE", 2, 2, u"write a table as IDT text", Export});
    // At most 64 VALUEs.
    table.Add({u"query", u"PKG SQL [VALUE...]", 2, 66,
               u"run a SELECT; VALUEs bind the ? markers in order", Query, true});
    table.Add({u"suminfo", u"PKG", 1, 1, u"show the summary information", SummaryInfo});
    table.Add({u"streams", u"PKG", 1, 1, u"list the package's streams", Streams});
    table.Add({u"version", u"FILE", 1, 1, u"show a file's version and language", Version});
}

} // namespace vx::cli
