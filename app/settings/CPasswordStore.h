#pragma once
// A sender's password in the desktop's keyring, through QtKeychain (the Secret Service of
// GNOME Keyring, KeePassXC and others, or KWallet). Each account's password is one secret
// under the service "Quillon" and the key "Quillon/ACCOUNT/<id>" (the ACCOUNT.ID), stored as
// the password's bytes (UTF-8 as typed), at most 64 of them.
//
// The keyring's jobs are asynchronous; each call here waits for its job in a local event
// loop that takes no user input (a keyring's own unlock prompt is another program and stays
// usable), and gives up after the time-out. A QCoreApplication must exist.
//
// When nothing on the session bus answers for secrets (no bus, no keyring running or
// startable, or no answer within the time-out) the result is NoKeyring and nothing was
// stored: the caller says so and may offer Account.mdb instead, never silently. QtKeychain's
// plain-text fallback is never used.

#include <QString>

#include <string>

class CPasswordStore {
public:
    enum Result { Ok = 0, NotFound, NoKeyring, Denied, TooLong, Failed };
    enum { MaxPasswordBytes = 64 };

    static QString ServiceName();
    static QString Key(long accountId);

    // Whether a keyring answers on the session bus (running, or startable on demand).
    static bool IsAvailable();
    [[nodiscard]] static Result Write(long accountId, const std::string& password, QString* error = nullptr);
    [[nodiscard]] static Result Read(long accountId, std::string& password, QString* error = nullptr);
    // Deletes the account's secret; Ok also when there was none.
    static Result Remove(long accountId, QString* error = nullptr);

    // The time-out of every keyring call in milliseconds (0 or less: 60 seconds, time for the
    // user to answer an unlock prompt).
    static void SetTimeout(int milliseconds);
};
