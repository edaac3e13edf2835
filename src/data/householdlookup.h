#pragma once

#include <QString>

class TNamedQuery;

// The household search of the picker: households whose pinyin initials,
// name or household number begin with the typed text.
//
// The typed text is bound as a parameter, never placed into the statement,
// and the LIKE wildcards in it are escaped, so that a quote, "%" or "_"
// typed by the operator matches itself. Matching ignores the case of Latin
// letters. The three columns are indexed with NOCASE, and SQLite turns each
// prefix LIKE (with its ESCAPE clause) into a range search on its index.
namespace HouseholdLookup {

inline constexpr char kEscape = '\\';

// The LIKE pattern for "begins with text": wildcards escaped, "%" appended.
// An empty text gives "%", which matches every household.
QString prefixPattern(const QString &text);

// The statement for the given pinyin-initials column (a column name of hhb,
// such as "hmpy"); one parameter, :t. Throws AppError for a name that is
// not a plain column name.
QString statement(const QString &selectField);

// Closes `query`, puts the search into it and opens it.
void open(TNamedQuery &query, const QString &selectField, const QString &text);

} // namespace HouseholdLookup
