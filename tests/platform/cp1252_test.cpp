// Windows-1252, the character set of the stored files: every byte survives a read and a
// write, letter case folds the Nordic letters too, and what the code page cannot hold
// is known before it turns into "?".
#include "platform/cp1252.h"

#include <gtest/gtest.h>

namespace vindelor::cp1252 {
namespace {

TEST(Windows1252, EveryByteSurvivesDecodeAndEncode) {
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    const QString text = Decode(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(Encode(text), all);
    EXPECT_TRUE(CanEncode(text));
    // The upper-half letters are the ones the settings keys use.
    EXPECT_EQ(Decode(QByteArray("N\xE4ttid")), QString::fromUtf8("Nättid"));
    EXPECT_EQ(Decode(QByteArray("\x80")), QString(QChar(0x20AC)));
    EXPECT_EQ(Encode(QString::fromUtf8("Röd €")), QByteArray("R\xF6"
                                                             "d \x80"));
}

TEST(Windows1252, CharactersOutsideTheCodePage) {
    struct Case {
        QString text;
        bool fits;
        QByteArray encoded;
    };
    const Case cases[] = {
        {QStringLiteral("$"), true, "$"},
        {QString::fromUtf8("£ mk"), true, "\xA3 mk"},
        {QStringLiteral("?"), true, "?"},                   // a real question mark is fine
        {QString(QChar(0x20BD)), false, "?"},               // rouble sign
        {QString::fromUtf8("a\U0001F600b"), false, "a?b"},  // one "?" for a surrogate pair
        {QString(QChar(0x0080)), false, "?"},               // a control the code page replaced
        {QString(QChar(0x0081)), true, "\x81"},             // an undefined byte keeps its value
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CanEncode(c.text), c.fits) << c.text.toStdString();
        EXPECT_EQ(Encode(c.text), c.encoded) << c.text.toStdString();
    }
}

TEST(Windows1252, FoldingComparesNordicLettersWithoutCase) {
    EXPECT_EQ(Folded(Encode(QString::fromUtf8("NÄTTID"))),
              Folded(Encode(QString::fromUtf8("Nättid"))));
    EXPECT_EQ(Folded(Encode(QString::fromUtf8("SPRÅK ÖVERV"))),
              Encode(QString::fromUtf8("språk överv")));
    // The multiplication sign is no capital letter.
    EXPECT_EQ(FoldByte('\xD7'), '\xD7');
    EXPECT_EQ(FoldByte('\x8A'), '\x9A');
    EXPECT_EQ(FoldByte('\x9F'), '\xFF');
}

}  // namespace
}  // namespace vindelor::cp1252
