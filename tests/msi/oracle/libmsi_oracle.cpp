#include "libmsi_oracle.h"

#include <libmsi.h>

#include <memory>

namespace vx::test {
namespace {

// Owners for the GObject and GLib values libmsi hands out.
struct ObjectUnref {
    void operator()(void* object) const { g_object_unref(object); }
};
template <typename T> using GPtr = std::unique_ptr<T, ObjectUnref>;

struct GFreeDeleter {
    void operator()(void* memory) const { g_free(memory); }
};
using GString8 = std::unique_ptr<gchar, GFreeDeleter>;

// A GError the caller owns.
struct Error {
    GError* error = nullptr;
    ~Error() { g_clear_error(&error); }
    GError** Out() {
        g_clear_error(&error);
        return &error;
    }
    std::string Message() const { return error != nullptr ? error->message : "unknown error"; }
};

GPtr<LibmsiDatabase> Open(const std::string& path) {
    Error error;
    GPtr<LibmsiDatabase> db(
        libmsi_database_new(path.c_str(), LIBMSI_DB_FLAGS_READONLY, nullptr, error.Out()));
    if (!db) {
        throw std::runtime_error("libmsi cannot open " + path + ": " + error.Message());
    }
    return db;
}

std::u16string StringField(const LibmsiRecord* record, guint field) {
    GString8 text(libmsi_record_get_string(record, field));
    return text ? ToUtf16(text.get()) : std::u16string();
}

OracleBytes ReadStream(LibmsiRecord* record, guint field) {
    OracleBytes bytes;
    GPtr<GInputStream> stream(libmsi_record_get_stream(record, field));
    if (!stream) {
        return bytes;
    }
    uint8_t buffer[8192];
    for (;;) {
        gsize got = 0;
        if (!g_input_stream_read_all(stream.get(), buffer, sizeof buffer, &got, nullptr, nullptr)) {
            throw std::runtime_error("libmsi stream read failed");
        }
        bytes.insert(bytes.end(), buffer, buffer + got);
        if (got < sizeof buffer) {
            return bytes;
        }
    }
}

OracleCell Cell(LibmsiRecord* record, guint field, char16_t kind) {
    if (libmsi_record_is_null(record, field)) {
        return std::monostate{};
    }
    if (kind == u'i' || kind == u'I') {
        return static_cast<int32_t>(libmsi_record_get_int(record, field));
    }
    return kind == u'v' || kind == u'V' ? OracleCell(ReadStream(record, field))
                                        : OracleCell(StringField(record, field));
}

} // namespace

std::string ToUtf8(std::u16string_view text) {
    std::vector<gunichar2> units(text.begin(), text.end());
    glong written = 0;
    GString8 utf8(g_utf16_to_utf8(units.data(), static_cast<glong>(units.size()), nullptr, &written,
                                  nullptr));
    if (!utf8) {
        throw std::runtime_error("invalid UTF-16");
    }
    return std::string(utf8.get(), static_cast<size_t>(written));
}

std::u16string ToUtf16(std::string_view text) {
    glong written = 0;
    std::unique_ptr<gunichar2, GFreeDeleter> units(
        g_utf8_to_utf16(text.data(), static_cast<glong>(text.size()), nullptr, &written, nullptr));
    if (!units) {
        throw std::runtime_error("invalid UTF-8");
    }
    return std::u16string(units.get(), units.get() + written);
}

std::vector<std::u16string> OracleTableNames(const std::string& path) {
    std::vector<std::u16string> names{u"_SummaryInformation", u"_ForceCodepage"};
    OracleResult tables = OracleQuery(path, u"SELECT `Name` FROM `_Tables`");
    if (!tables.Succeeded()) {
        throw std::runtime_error("libmsi cannot list the tables: " + tables.message);
    }
    for (const auto& row : tables.rows) {
        names.push_back(std::get<std::u16string>(row.at(0)));
    }
    return names;
}

OracleResult OracleQuery(const std::string& path, std::u16string_view sql,
                         const std::vector<OracleParam>& params) {
    OracleResult result;
    GPtr<LibmsiDatabase> db = Open(path);
    Error error;
    auto fail = [&] {
        result.error = error.error != nullptr && error.error->code != 0
                           ? error.error->code
                           : LIBMSI_RESULT_FUNCTION_FAILED;
        result.message = error.Message();
        return result;
    };

    GPtr<LibmsiQuery> query(libmsi_query_new(db.get(), ToUtf8(sql).c_str(), error.Out()));
    if (!query) {
        return fail();
    }
    GPtr<LibmsiRecord> bound(params.empty() ? nullptr
                                            : libmsi_record_new(static_cast<guint>(params.size())));
    for (guint i = 0; i < params.size(); ++i) {
        if (const auto* n = std::get_if<int32_t>(&params[i])) {
            libmsi_record_set_int(bound.get(), i + 1, *n);
        } else if (const auto* t = std::get_if<std::u16string>(&params[i])) {
            libmsi_record_set_string(bound.get(), i + 1, ToUtf8(*t).c_str());
        }
    }
    if (!libmsi_query_execute(query.get(), bound.get(), error.Out())) {
        return fail();
    }

    GPtr<LibmsiRecord> names(
        libmsi_query_get_column_info(query.get(), LIBMSI_COL_INFO_NAMES, error.Out()));
    GPtr<LibmsiRecord> types(
        libmsi_query_get_column_info(query.get(), LIBMSI_COL_INFO_TYPES, error.Out()));
    if (!names || !types) {
        return fail();
    }
    const guint width = libmsi_record_get_field_count(names.get());
    for (guint i = 1; i <= width; ++i) {
        result.columns.push_back({StringField(names.get(), i), StringField(types.get(), i)});
    }

    for (;;) {
        GPtr<LibmsiRecord> record(libmsi_query_fetch(query.get(), error.Out()));
        if (!record) {
            // The end of the rows comes without an error.
            if (error.error != nullptr) {
                return fail();
            }
            break;
        }
        std::vector<OracleCell> row;
        row.reserve(width);
        for (guint i = 1; i <= width; ++i) {
            const std::u16string& type = result.columns[i - 1].type;
            row.push_back(Cell(record.get(), i, type.empty() ? u's' : type[0]));
        }
        result.rows.push_back(std::move(row));
    }
    libmsi_query_close(query.get(), nullptr);
    return result;
}

std::map<int, OracleSummaryValue> OracleSummary(const std::string& path) {
    GPtr<LibmsiDatabase> db = Open(path);
    Error error;
    GPtr<LibmsiSummaryInfo> info(libmsi_summary_info_new(db.get(), 0, error.Out()));
    if (!info) {
        throw std::runtime_error("libmsi cannot read the summary information: " + error.Message());
    }
    std::map<int, OracleSummaryValue> values;
    GArray* present = libmsi_summary_info_get_properties(info.get());
    const auto* ids = reinterpret_cast<const LibmsiProperty*>(present->data);
    for (guint i = 0; i < present->len; ++i) {
        const LibmsiProperty id = ids[i];
        switch (libmsi_summary_info_get_property_type(info.get(), id, nullptr)) {
        case LIBMSI_PROPERTY_TYPE_INT:
            values[id] = static_cast<int32_t>(libmsi_summary_info_get_int(info.get(), id, nullptr));
            break;
        case LIBMSI_PROPERTY_TYPE_STRING: {
            const gchar* text = libmsi_summary_info_get_string(info.get(), id, nullptr);
            values[id] = text != nullptr ? ToUtf16(text) : std::u16string();
            break;
        }
        case LIBMSI_PROPERTY_TYPE_FILETIME:
            values[id] = OracleFileTime{libmsi_summary_info_get_filetime(info.get(), id, nullptr)};
            break;
        default:
            break;
        }
    }
    g_array_unref(present);
    return values;
}

} // namespace vx::test
