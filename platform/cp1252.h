// Windows-1252, the single-byte character set of the stored profile files. Every byte
// decodes to one character; the five bytes the code page leaves undefined (81 8D 8F 90 9D)
// decode to the C1 control of the same value, so any file read and written again keeps
// its bytes. A character the code page cannot hold is written as "?".
#pragma once

#include <QByteArray>
#include <QString>

namespace vindelor::cp1252 {

QString Decode(const char* data, qsizetype size);
inline QString Decode(const QByteArray& bytes) {
    return Decode(bytes.constData(), bytes.size());
}

QByteArray Encode(const QString& text);
// True when every character of `text` has a byte of its own, so Encode writes no "?".
bool CanEncode(const QString& text);

// Letter case folded byte by byte (A-Z, the accented capitals, Š Œ Ž Ÿ), so that "NÄTTID"
// and "Nättid" compare equal in their encoded form.
char FoldByte(char byte);
QByteArray Folded(const QByteArray& encoded);

}  // namespace vindelor::cp1252
