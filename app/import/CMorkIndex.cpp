#include "import/CMorkIndex.h"

#include <vector>

namespace {

constexpr std::string_view kMessageScope = "ns:msg:db:row:scope:msgs:all";
constexpr std::string_view kStoreToken = "storeToken";
constexpr std::size_t npos = std::string_view::npos;

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsNameChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == ':' || c == '!' || c == '+' || c == '-' || c == '?' || c == '.';
}

}  // namespace

// One pass over Mork text, feeding the message rows' storeTokens into a CMorkIndex.
class CMorkParser {
public:
    explicit CMorkParser(CMorkIndex& index) : index_(index) {}

    void Parse(std::string_view text)
    {
        std::size_t pos = 0;
        while (pos < text.size()) {
            std::size_t group = text.find("@$${", pos);
            Items(text.substr(pos, group == npos ? npos : group - pos));
            if (group == npos) return;
            // A group is applied only when it ends with its commit mark; an aborted one
            // ("@$$}~~}@") or one cut off by the end of the file changes nothing.
            std::size_t start = text.find("{@", group + 4);
            if (start == npos) return;
            start += 2;
            std::size_t end = text.find("@$$}", start);
            if (end == npos) return;
            std::size_t after = text.find("}@", end + 4);
            if (after == npos) return;
            if (text.substr(end + 4, 2) != "~~")
                Items(text.substr(start, end - start));
            pos = after + 2;
        }
    }

private:
    struct Mid {
        std::uint64_t id = 0;
        bool valid = false;
        bool hasScope = false;
        std::string scope;
    };

    // Dictionaries, rows and tables of one stretch of text without groups.
    void Items(std::string_view text)
    {
        t_ = text;
        p_ = 0;
        while (SkipSpace()) {
            switch (t_[p_]) {
            case '<':
                Dict();
                break;
            case '[':
                Row(nullptr);
                break;
            case '{':
                Table();
                break;
            default:
                ++p_;
                break;
            }
        }
    }

    // White space and comments; false at the end of the text.
    bool SkipSpace()
    {
        while (p_ < t_.size()) {
            char c = t_[p_];
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f') {
                ++p_;
            } else if (c == '/' && p_ + 1 < t_.size() && t_[p_ + 1] == '/') {
                std::size_t end = t_.find_first_of("\r\n", p_);
                p_ = end == npos ? t_.size() : end;
            } else if (c == '/' && p_ + 1 < t_.size() && t_[p_ + 1] == '*') {
                std::size_t end = t_.find("*/", p_ + 2);
                p_ = end == npos ? t_.size() : end + 2;
            } else {
                return true;
            }
        }
        return false;
    }

    bool At(char c) const { return p_ < t_.size() && t_[p_] == c; }

    bool Hex(std::uint64_t& value)
    {
        value = 0;
        std::size_t start = p_;
        bool overflow = false;
        for (int digit; p_ < t_.size() && (digit = HexDigit(t_[p_])) >= 0; ++p_) {
            if (value >> 60) overflow = true;
            value = value << 4 | static_cast<std::uint64_t>(digit);
        }
        return p_ > start && !overflow;
    }

    std::string Name()
    {
        std::size_t start = p_;
        while (p_ < t_.size() && IsNameChar(t_[p_])) ++p_;
        return std::string(t_.substr(start, p_ - start));
    }

    // A value after "=", up to its unescaped ")", which is consumed: "\" takes the next
    // byte as it is, or with a line end continues the value on the next line; "$" and two
    // hex digits is that byte.
    std::string Value()
    {
        std::string value;
        while (p_ < t_.size()) {
            char c = t_[p_++];
            if (c == ')') return value;
            if (c == '\\' && p_ < t_.size()) {
                char next = t_[p_++];
                if (next == '\r' || next == '\n') {
                    if (p_ < t_.size() && (t_[p_] == '\r' || t_[p_] == '\n') && t_[p_] != next) ++p_;
                    continue;
                }
                value += next;
            } else if (c == '$' && p_ + 1 < t_.size() && HexDigit(t_[p_]) >= 0 && HexDigit(t_[p_ + 1]) >= 0) {
                value += static_cast<char>(HexDigit(t_[p_]) * 16 + HexDigit(t_[p_ + 1]));
                p_ += 2;
            } else {
                value += c;
            }
        }
        return value;
    }

    // "^hex" looked up in `dict`, or a plain name.
    std::string NameOrRef(const std::unordered_map<std::uint64_t, std::string>& dict)
    {
        if (!At('^')) return Name();
        ++p_;
        std::uint64_t id;
        if (!Hex(id)) return std::string();
        SkipScopeSuffix();
        auto found = dict.find(id);
        return found == dict.end() ? std::string() : found->second;
    }

    // The ":scope" a reference may carry (":c", ":a", ":^8A"); not needed here.
    void SkipScopeSuffix()
    {
        if (!At(':')) return;
        ++p_;
        if (At('^')) {
            ++p_;
            std::uint64_t ignored;
            Hex(ignored);
        } else {
            Name();
        }
    }

    Mid ReadMid()
    {
        Mid mid;
        mid.valid = Hex(mid.id);
        if (mid.valid && At(':')) {
            ++p_;
            mid.hasScope = true;
            mid.scope = NameOrRef(columns_);
        }
        return mid;
    }

    // A cell "(column=value)" or "(column^atom)", read after its "(". False when it is not one.
    bool Cell(std::string& column, std::string& value)
    {
        SkipSpace();
        column = NameOrRef(columns_);
        SkipSpace();
        if (At('=')) {
            ++p_;
            value = Value();
            return true;
        }
        if (At('^')) {
            value = NameOrRef(atoms_);
            SkipSpace();
            if (At(')')) ++p_;
            return true;
        }
        SkipPast(')');
        return false;
    }

    void SkipPast(char close)
    {
        std::size_t end = t_.find(close, p_);
        p_ = end == npos ? t_.size() : end + 1;
    }

    // A balanced meta object ("<...>", "{...}", "[...]") that is not needed; values inside
    // may hold the closing byte escaped.
    void SkipMeta(char open, char close)
    {
        int depth = 0;
        while (p_ < t_.size()) {
            char c = t_[p_++];
            if (c == '(') {
                Value();
            } else if (c == open) {
                ++depth;
            } else if (c == close && --depth <= 0) {
                return;
            }
        }
    }

    void Dict()
    {
        ++p_;  // "<"
        bool columnScope = false;
        while (SkipSpace()) {
            char c = t_[p_];
            if (c == '>') {
                ++p_;
                return;
            }
            if (c == '<') {
                // The meta dict: "(a=c)" makes this a dictionary of column names.
                ++p_;
                while (SkipSpace() && !At('>')) {
                    if (!At('(')) {
                        ++p_;
                        continue;
                    }
                    ++p_;
                    std::string column, value;
                    if (Cell(column, value) && column == "a") columnScope = value == "c";
                }
                if (At('>')) ++p_;
                continue;
            }
            if (c != '(') {
                ++p_;
                continue;
            }
            ++p_;
            SkipSpace();
            std::uint64_t id;
            if (!Hex(id)) {
                SkipPast(')');
                continue;
            }
            SkipSpace();
            if (At('<')) SkipPast('>');  // an alias form with its own encoding; unused
            if (!At('=')) {
                SkipPast(')');
                continue;
            }
            ++p_;
            (columnScope ? columns_ : atoms_)[id] = Value();
        }
    }

    // Past the opening byte of a row or table and its "-" (cut) mark; whether it was cut.
    bool Open()
    {
        ++p_;
        SkipSpace();
        if (!At('-')) return false;
        ++p_;
        SkipSpace();
        return true;
    }

    // A row; `table` is the scope of the table it stands in (null outside a table).
    void Row(const Mid* table)
    {
        const bool cut = Open();  // "["
        Mid mid = ReadMid();
        bool messages = mid.valid;
        if (mid.hasScope) messages = messages && mid.scope == kMessageScope;
        else if (table != nullptr) messages = messages && table->hasScope && table->scope == kMessageScope;
        if (messages && cut) index_.storeTokens_.erase(mid.id);
        if (messages && table != nullptr) index_.removed_.erase(mid.id);
        while (SkipSpace()) {
            char c = t_[p_];
            if (c == ']') {
                ++p_;
                return;
            }
            bool minus = false;
            if (c == '-') {
                minus = true;
                ++p_;
                SkipSpace();
                c = p_ < t_.size() ? t_[p_] : '\0';
            }
            if (c == '[') {
                SkipMeta('[', ']');
                continue;
            }
            if (c != '(') {
                ++p_;
                continue;
            }
            ++p_;
            std::string column, value;
            if (!Cell(column, value) || !messages || column != kStoreToken) continue;
            if (minus) index_.storeTokens_.erase(mid.id);
            else index_.storeTokens_[mid.id] = value;
        }
    }

    void Table()
    {
        const bool cut = Open();  // "{"
        Mid table = ReadMid();
        const bool messages = table.hasScope && table.scope == kMessageScope;
        if (messages && cut) {
            for (const auto& row : index_.storeTokens_) index_.removed_.insert(row.first);
        }
        while (SkipSpace()) {
            char c = t_[p_];
            if (c == '}') {
                ++p_;
                return;
            }
            if (c == '{') {
                SkipMeta('{', '}');
            } else if (c == '[') {
                Row(&table);
            } else if (c == '-' || HexDigit(c) >= 0) {
                // A row by its id: "-id" takes it out of the table, "id" puts it in,
                // "id ! pos" moves it.
                const bool remove = c == '-';
                if (remove) ++p_;
                SkipSpace();
                std::uint64_t id;
                if (!Hex(id)) continue;
                SkipScopeSuffix();
                if (messages) {
                    if (remove) index_.removed_.insert(id);
                    else index_.removed_.erase(id);
                }
                SkipSpace();
                if (At('!')) {
                    ++p_;
                    SkipSpace();
                    Hex(id);
                }
            } else {
                ++p_;
            }
        }
    }

    CMorkIndex& index_;
    std::string_view t_;
    std::size_t p_ = 0;
    std::unordered_map<std::uint64_t, std::string> columns_;
    std::unordered_map<std::uint64_t, std::string> atoms_;
};

int CMorkIndex::Read(std::string_view text)
{
    storeTokens_.clear();
    removed_.clear();
    // Every Mork file starts with its magic comment "// <!-- <mdb:mork:z v="1.4"/> -->".
    if (text.substr(0, 256).find("<mdb:mork:z") == npos) return 0;
    CMorkParser parser(*this);
    parser.Parse(text);
    return 1;
}

bool CMorkIndex::FindStoreToken(std::uint64_t key, std::uint64_t& offset) const
{
    auto found = storeTokens_.find(key);
    if (found == storeTokens_.end() || removed_.count(key) != 0) return false;
    const std::string& token = found->second;
    if (token.empty() || token.size() > 18) return false;
    std::uint64_t value = 0;
    for (char c : token) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    offset = value;
    return true;
}
