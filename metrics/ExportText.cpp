#include "metrics/ExportText.h"

#include "core/Settings.h"

QByteArray QuotedText(const QString& text)
{
    QByteArray out = text.toUtf8();
    out.replace('\\', "\\\\").replace('"', "\\\"");
    return '"' + out + '"';
}

QByteArray V3CredentialLines(const TV3Settings& v3, const TV3Keys& keys, bool includePasswords)
{
    // The protocol numbers of the vexgrid file, 0 for none.
    static const char* const kAuth[] = {"", "MD5", "SHA", "SHA224", "SHA256", "SHA384", "SHA512"};
    static const char* const kPriv[] = {"", "DES", "AES", "AES192", "AES256"};
    static const char* const kLevels[] = {"noAuthNoPriv", "authNoPriv", "authPriv"};
    const auto line = [&keys](const char* key, const QByteArray& value) {
        return keys.indent + QByteArray(key) + keys.separator + value + "\n";
    };
    const auto word = [&keys](const char* name) {
        return keys.quoteWords ? QuotedText(name) : QByteArray(name);
    };
    const auto password = [includePasswords](const QString& value) {
        return includePasswords ? QuotedText(value) : QByteArray("\"CHANGE_ME\"  # not written: set it here");
    };
    QByteArray out = line(keys.user, QuotedText(v3.user))
                   + line(keys.level, word(kLevels[qBound(0, v3.securityLevel, 2)]));
    if (v3.securityLevel >= 1 && v3.authProtocol >= 1 && v3.authProtocol <= 6)
        out += line(keys.authProtocol, word(kAuth[v3.authProtocol]))
             + line(keys.authPassword, password(v3.authPassword));
    if (v3.securityLevel >= 2 && v3.privProtocol >= 1 && v3.privProtocol <= 4)
        out += line(keys.privProtocol, word(kPriv[v3.privProtocol]))
             + line(keys.privPassword, password(v3.privPassword));
    if (!v3.contextName.isEmpty())
        out += line(keys.context, QuotedText(v3.contextName));
    return out;
}
