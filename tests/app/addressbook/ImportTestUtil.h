#pragma once
// What the address import tests share: a file dialog that "chooses" a path, files written
// byte for byte, CSV lines as the exporting programs quote them, and the persons of the book.

#include "data/CPersonSet.h"
#include "data/CDbException.h"
#include "model/CPlatformUi.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace importtest {

namespace fs = std::filesystem;

// A file dialog whose user chooses `path` (or cancels).
class ChosenFile : public CFileDialog {
public:
    explicit ChosenFile(fs::path chosen, int answer = IDOK) : path(std::move(chosen)), answer(answer) {}
    int DoModal() override
    {
        ++shown;
        return answer;
    }
    CPath GetPathName() const override { return CPath::FromNative(path.string()); }

    fs::path path;
    int answer;
    int shown = 0;
};

// UTF-8 bytes of a u8"" literal (narrow literals are code page 932 here).
inline std::string U8(const char8_t* text)
{
    return std::string(reinterpret_cast<const char*>(text));
}

inline void WriteBytes(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

// One CSV line of `fields` joined by commas: each field in quotes when `quoteAll` (Outlook),
// else only when it holds a comma, a quote or a line break (Thunderbird, Google), with
// doubled quotes inside; `eol` after it.
inline std::string CsvLine(const std::vector<std::string>& fields, bool quoteAll, const std::string& eol)
{
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i) line += ',';
        const std::string& f = fields[i];
        const bool quote = quoteAll || f.find_first_of(",\"\r\n") != std::string::npos;
        if (!quote) {
            line += f;
            continue;
        }
        line += '"';
        for (char c : f) {
            if (c == '"') line += '"';
            line += c;
        }
        line += '"';
    }
    return line + eol;
}

// A data row in the column order of `heading`: `values` names (heading text, value) pairs;
// every other column is empty.
inline std::vector<std::string> Row(const std::vector<std::string>& heading,
                                    const std::vector<std::pair<std::string, std::string>>& values)
{
    std::vector<std::string> row(heading.size());
    for (const auto& [column, value] : values) {
        bool found = false;
        for (std::size_t i = 0; i < heading.size(); ++i) {
            if (heading[i] == column) {
                row[i] = value;
                found = true;
                break;
            }
        }
        EXPECT_TRUE(found) << "no column " << column;
    }
    return row;
}

using Person = std::pair<std::string, std::string>;  // display name, mail address (code page 932)

// Every person of the book in the order they were added.
inline std::vector<Person> PersonsInBook()
{
    std::vector<Person> persons;
    CPersonSet set;
    EXPECT_TRUE(set.Open());
    try {
        for (set.MoveFirst(); !set.IsEOF(); set.MoveNext())
            persons.emplace_back(set.displayName.Str(), set.mailAddress.Str());
    } catch (const CDbException&) {
        ADD_FAILURE() << "reading PERSON failed";
    }
    return persons;
}

}  // namespace importtest
