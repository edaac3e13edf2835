#pragma once

#include <QString>

// Login passwords of the employees (zgxxb.mm) are kept as Argon2id hashes.
// The check ignores letter case, as the login always has: the hash is made
// of the case-folded text. The employee store reads and writes them.
namespace Passwords {

// A new hash of the password (an encoded Argon2id string with its salt).
// Throws AppError when the hashing fails (out of memory).
QString hash(const QString &password);
// Whether stored is a hash of this password, letter case aside.
bool verify(const QString &stored, const QString &password);
// Whether a stored value is a hash (and not an older plain-text password).
bool isHashed(const QString &stored);

} // namespace Passwords
