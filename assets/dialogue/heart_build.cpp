// morvik_heart_build: turns the dialogue sources (one text file per table, see README.md) and the
// voice clips into the dialogue database morvik_heart.mdb.
//
//   morvik_heart_build --output FILE --clips DIR [--plugins DIR]... --version N SOURCE...
//
// The database is written beside FILE under a temporary name and renamed over FILE only when every
// source was read without error, so a failed build never leaves half a database behind. Every
// voice field must have its clip DIR/<table>_<key>.mp3; a missing clip fails the build and names
// the file, so a line added without regenerating the voices is noticed at once. A plugin field names
// a built plug-in file, looked for in each --plugins DIR in turn; its bytes are stored, and a
// missing file fails the build the same way.
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// "Mohv": the value of PRAGMA application_id that marks a dialogue database of ours.
constexpr int kApplicationId = 0x4d6f6876;

enum class Kind { integer, text, voice, plugin };

struct Column {
    std::string name;
    Kind kind = Kind::text;
};

struct Table {
    std::string file;
    std::string name;
    std::vector<Column> columns;
    std::vector<std::pair<int, std::vector<std::string>>> rows; // source line, fields
};

std::string trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

std::vector<std::string> splitFields(const std::string& line) {
    std::vector<std::string> fields;
    std::string::size_type start = 0;
    for (;;) {
        const auto bar = line.find('|', start);
        fields.push_back(
            trim(line.substr(start, bar == std::string::npos ? std::string::npos : bar - start)));
        if (bar == std::string::npos)
            return fields;
        start = bar + 1;
    }
}

bool validName(const std::string& s) {
    if (s.empty())
        return false;
    for (char c : s) {
        const bool ok =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        if (!ok)
            return false;
    }
    return true;
}

// A key becomes part of a clip's file name, so it is held to the same safe set as names.
bool validKey(const std::string& s) {
    return s.size() <= 32 && validName(s);
}

bool fail(const std::string& where, const std::string& what) {
    std::cerr << where << ": " << what << "\n";
    return false;
}

bool parseColumns(const std::string& list, const std::string& where, Table& table) {
    for (const std::string& field : splitFields(list)) {
        Column column;
        const auto colon = field.find(':');
        column.name = trim(field.substr(0, colon));
        if (colon != std::string::npos) {
            const std::string kind = trim(field.substr(colon + 1));
            if (kind == "int")
                column.kind = Kind::integer;
            else if (kind == "text")
                column.kind = Kind::text;
            else if (kind == "voice")
                column.kind = Kind::voice;
            else if (kind == "plugin")
                column.kind = Kind::plugin;
            else
                return fail(where, "unknown column kind '" + kind + "'");
        }
        if (!validName(column.name))
            return fail(where, "bad column name '" + column.name + "'");
        table.columns.push_back(column);
    }
    if (table.columns.front().kind == Kind::voice || table.columns.front().kind == Kind::plugin)
        return fail(where, "the first column is the key and cannot be a voice or a plug-in");
    return true;
}

std::optional<Table> readSource(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        fail(path.string(), "cannot be read");
        return std::nullopt;
    }
    Table table;
    table.file = path.string();
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        const std::string where = path.string() + ":" + std::to_string(number);
        if (number == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0)
            line.erase(0, 3);
        const std::string text = trim(line);
        if (text.empty() || text[0] == '#')
            continue;
        if (text.rfind("table:", 0) == 0) {
            table.name = trim(text.substr(6));
            if (!validName(table.name)) {
                fail(where, "bad table name");
                return std::nullopt;
            }
            continue;
        }
        if (text.rfind("columns:", 0) == 0) {
            if (!table.columns.empty()) {
                fail(where, "a second 'columns:' line");
                return std::nullopt;
            }
            if (!parseColumns(text.substr(8), where, table))
                return std::nullopt;
            continue;
        }
        if (table.name.empty() || table.columns.empty()) {
            fail(where, "a row before the 'table:' and 'columns:' lines");
            return std::nullopt;
        }
        std::vector<std::string> fields = splitFields(text);
        if (fields.size() != table.columns.size()) {
            fail(where, "has " + std::to_string(fields.size()) + " fields, the table has " +
                            std::to_string(table.columns.size()) + " columns");
            return std::nullopt;
        }
        if (!validKey(fields.front())) {
            fail(where, "the key '" + fields.front() + "' is empty or not made of letters, digits and _");
            return std::nullopt;
        }
        table.rows.emplace_back(number, std::move(fields));
    }
    if (table.name.empty() || table.columns.empty()) {
        fail(path.string(), "lacks its 'table:' or 'columns:' line");
        return std::nullopt;
    }
    return table;
}

// A plug-in's file name: a plain name, never a path.
bool validFileName(const std::string& s) {
    if (s.empty() || s.size() > 64 || s[0] == '.')
        return false;
    for (char c : s) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                        c == '_' || c == '-' || c == '.';
        if (!ok)
            return false;
    }
    return true;
}

std::optional<std::string> readClip(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string quoted(const std::string& name) {
    return "\"" + name + "\"";
}

class Database {
public:
    explicit Database(const std::string& path) {
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
            SQLITE_OK) {
            std::cerr << path << ": " << sqlite3_errmsg(db_) << "\n";
            sqlite3_close(db_);
            db_ = nullptr;
        }
    }
    ~Database() { sqlite3_close(db_); }
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    bool ok() const { return db_ != nullptr; }
    sqlite3* get() const { return db_; }

    bool exec(const std::string& sql) {
        char* message = nullptr;
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK)
            return true;
        std::cerr << sql << ": " << (message ? message : "error") << "\n";
        sqlite3_free(message);
        return false;
    }

private:
    sqlite3* db_ = nullptr;
};

class Statement {
public:
    Statement(Database& db, const std::string& sql) {
        if (sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &stmt_, nullptr) != SQLITE_OK)
            std::cerr << sql << ": " << sqlite3_errmsg(db.get()) << "\n";
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    sqlite3_stmt* get() const { return stmt_; }

private:
    sqlite3_stmt* stmt_ = nullptr;
};

std::string createStatement(const Table& table) {
    std::string sql = "CREATE TABLE " + quoted(table.name) + " (";
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        const Column& column = table.columns[i];
        if (i > 0)
            sql += ", ";
        sql += quoted(column.name);
        sql += column.kind == Kind::integer ? " INTEGER" : column.kind == Kind::text ? " TEXT" : " BLOB";
        if (i == 0)
            sql += " PRIMARY KEY NOT NULL";
    }
    return sql + ")";
}

bool writeTable(Database& db, const Table& table, const fs::path& clips,
                const std::vector<fs::path>& plugins) {
    if (!db.exec(createStatement(table)))
        return fail(table.file, "the table cannot be created");
    std::string sql = "INSERT INTO " + quoted(table.name) + " VALUES (";
    for (std::size_t i = 0; i < table.columns.size(); ++i)
        sql += i == 0 ? "?" : ", ?";
    sql += ")";
    Statement insert(db, sql);
    if (!insert.get())
        return false;
    for (const auto& [line, fields] : table.rows) {
        const std::string where = table.file + ":" + std::to_string(line);
        sqlite3_reset(insert.get());
        sqlite3_clear_bindings(insert.get());
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const int index = static_cast<int>(i) + 1;
            const std::string& field = fields[i];
            switch (table.columns[i].kind) {
            case Kind::integer: {
                if (field.empty())
                    break; // Null
                char* end = nullptr;
                const long long value = std::strtoll(field.c_str(), &end, 10);
                if (*end != '\0')
                    return fail(where, "'" + field + "' is not a whole number");
                sqlite3_bind_int64(insert.get(), index, value);
                break;
            }
            case Kind::text:
                if (!field.empty())
                    sqlite3_bind_text(insert.get(), index, field.c_str(), static_cast<int>(field.size()),
                                      SQLITE_TRANSIENT);
                break;
            case Kind::voice: {
                if (field.empty())
                    break; // no voice: Null
                const fs::path clip = clips / (table.name + "_" + fields.front() + ".mp3");
                const auto bytes = readClip(clip);
                if (!bytes)
                    return fail(where, "its voice clip " + clip.string() +
                                           " is missing (run assets/voices/make_voices.py)");
                sqlite3_bind_blob64(insert.get(), index, bytes->data(), bytes->size(), SQLITE_TRANSIENT);
                break;
            }
            case Kind::plugin: {
                if (field.empty())
                    break; // no plug-in: Null
                if (!validFileName(field))
                    return fail(where, "'" + field + "' is not a plug-in's file name");
                std::optional<std::string> bytes;
                for (const fs::path& folder : plugins) {
                    if ((bytes = readClip(folder / field)))
                        break;
                }
                if (!bytes)
                    return fail(where, "its plug-in " + field + " is in none of the --plugins folders");
                sqlite3_bind_blob64(insert.get(), index, bytes->data(), bytes->size(), SQLITE_TRANSIENT);
                break;
            }
            }
        }
        if (sqlite3_step(insert.get()) != SQLITE_DONE)
            return fail(where, sqlite3_errmsg(db.get()));
    }
    return true;
}

int usage() {
    std::cerr
        << "usage: morvik_heart_build --output FILE --clips DIR [--plugins DIR]... --version N SOURCE...\n";
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    fs::path output, clips;
    long version = -1;
    std::vector<fs::path> sources, plugins;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--output" || arg == "--clips" || arg == "--plugins" || arg == "--version") &&
            i + 1 < argc) {
            const std::string value = argv[++i];
            if (arg == "--plugins")
                plugins.emplace_back(value);
            else if (arg == "--output")
                output = value;
            else if (arg == "--clips")
                clips = value;
            else
                version = std::strtol(value.c_str(), nullptr, 10);
        } else {
            sources.emplace_back(arg);
        }
    }
    if (output.empty() || clips.empty() || version < 1 || sources.empty())
        return usage();

    std::vector<Table> tables;
    for (const fs::path& source : sources) {
        auto table = readSource(source);
        if (!table)
            return 1;
        for (const Table& other : tables) {
            if (other.name == table->name) {
                std::cerr << source.string() << ": the table " << table->name << " is also in " << other.file
                          << "\n";
                return 1;
            }
        }
        tables.push_back(std::move(*table));
    }

    const fs::path partial = output.string() + ".part";
    std::error_code ignored;
    fs::remove(partial, ignored);
    bool ok = false;
    {
        Database db(partial.string());
        ok = db.ok() && db.exec("PRAGMA application_id = " + std::to_string(kApplicationId)) &&
             db.exec("PRAGMA user_version = " + std::to_string(version)) && db.exec("BEGIN");
        for (const Table& table : tables) {
            if (!ok)
                break;
            ok = writeTable(db, table, clips, plugins);
        }
        ok = ok && db.exec("COMMIT") && db.exec("VACUUM");
    }
    if (!ok) {
        fs::remove(partial, ignored);
        return 1;
    }
    fs::rename(partial, output, ignored);
    if (ignored) {
        std::cerr << output.string() << ": " << ignored.message() << "\n";
        fs::remove(partial, ignored);
        return 1;
    }
    return 0;
}
