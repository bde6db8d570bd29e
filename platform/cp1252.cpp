#include "platform/cp1252.h"

#include <array>

namespace vindelor::cp1252 {
namespace {

// Bytes 80-9F; 0 marks a byte the code page leaves undefined.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 88-8F
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 98-9F
};

std::array<unsigned char, 256> MakeFoldTable() {
    std::array<unsigned char, 256> table{};
    for (int b = 0; b < 256; ++b) {
        table[b] = static_cast<unsigned char>(b);
    }
    for (int b = 'A'; b <= 'Z'; ++b) {
        table[b] = static_cast<unsigned char>(b + 0x20);
    }
    for (int b = 0xC0; b <= 0xDE; ++b) {
        if (b != 0xD7) {  // the multiplication sign has no small form
            table[b] = static_cast<unsigned char>(b + 0x20);
        }
    }
    table[0x8A] = 0x9A;  // Š š
    table[0x8C] = 0x9C;  // Œ œ
    table[0x8E] = 0x9E;  // Ž ž
    table[0x9F] = 0xFF;  // Ÿ ÿ
    return table;
}

const std::array<unsigned char, 256> kFold = MakeFoldTable();

char EncodeUnit(char16_t u) {
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
        return static_cast<char>(u);
    }
    if (u >= 0x80 && u <= 0x9F) {
        // Only the undefined bytes come back from a control character.
        return kHighControls[u - 0x80] == 0 ? static_cast<char>(u) : '?';
    }
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] == u) {
            return static_cast<char>(0x80 + i);
        }
    }
    return '?';
}

}  // namespace

QString Decode(const char* data, qsizetype size) {
    QString text(size, Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < size; ++i) {
        const auto b = static_cast<unsigned char>(data[i]);
        if (b >= 0x80 && b <= 0x9F && kHighControls[b - 0x80] != 0) {
            out[i] = QChar(kHighControls[b - 0x80]);
        } else {
            out[i] = QChar(static_cast<char16_t>(b));
        }
    }
    return text;
}

QByteArray Encode(const QString& text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    const QChar* units = text.constData();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = units[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < n &&
            QChar::isLowSurrogate(units[i + 1].unicode())) {
            ++i;  // one character outside the code page, one "?"
            bytes.append('?');
            continue;
        }
        bytes.append(EncodeUnit(u));
    }
    return bytes;
}

bool CanEncode(const QString& text) {
    for (const QChar c : text) {
        if (EncodeUnit(c.unicode()) == '?' && c != QLatin1Char('?')) {
            return false;
        }
    }
    return true;
}

char FoldByte(char byte) {
    return static_cast<char>(kFold[static_cast<unsigned char>(byte)]);
}

QByteArray Folded(const QByteArray& encoded) {
    QByteArray out(encoded.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        out[i] = FoldByte(encoded[i]);
    }
    return out;
}

}  // namespace vindelor::cp1252
