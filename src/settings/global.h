#pragma once

#include <QString>

// The values of the settings file beside the executable. Read when the
// object is created, kept in memory while the program runs, written by
// WriteSettings (the save of a new receipt) and when the object is destroyed.
class TGlobal
{
public:
    // The file for the running executable: its name without a trailing
    // ".exe", plus ".ini", in the program's folder.
    static QString defaultPath();

    explicit TGlobal(QString path = defaultPath());
    ~TGlobal();   // writes the file; a failure is shown, never thrown
    TGlobal(const TGlobal &) = delete;
    TGlobal &operator=(const TGlobal &) = delete;

    static TGlobal *instance();

    void ReadSettings();
    // Writes all keys in their fixed order. Throws AppError
    // "Unable to write to <path>" when the file cannot be written; the
    // file is then left as it was. A value the file cannot keep (see
    // canStore) is never written changed: its line stays as it was, the
    // other keys are written, and AppError with cannotStoreMessage follows.
    void WriteSettings();

    const QString &path() const { return m_path; }

    // Whether the settings file keeps this value exactly: characters of GBK
    // only, no line break, at most kMaxValueLength characters. The combos
    // whose texts reach the file check with it before they take a text.
    static bool canStore(const QString &value);
    // Why the value cannot be kept, as a message for the operator naming the
    // field (for example "收款人") and the characters; empty when canStore().
    static QString cannotStoreMessage(const QString &field, const QString &value);

    // The field that shows a key's value ("收款人" for str_skr); the key itself
    // for keys no screen shows.
    static QString fieldOfKey(const QString &key);

    // Whether the file at path was written by this program: it holds every
    // one of the ten keys in the settings section.
    static bool writtenByProgram(const QString &path);

    QString str_zg;
    QString str_kj;
    QString str_skr;
    QString str_cbr;
    QString str_bt;
    QString str_qy;
    QString strsjlx;
    QString strdyf;
    QString str_dj;
    QString str_djs;
    // Batch printing as one print job: "Y" or "N" (written after the ten).
    QString strhbdy;

    static constexpr int kMaxValueLength = 2047;

private:
    QString m_path;
};

// The settings object of the process (shorthand for TGlobal::instance()).
TGlobal &Global();
