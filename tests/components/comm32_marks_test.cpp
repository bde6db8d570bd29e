// Line errors arrive marked inside the received bytes; the marks must come out and the
// data around them must stay exactly as sent.
#include "components/serialdevice.h"

#include <gtest/gtest.h>

#include <QByteArray>

namespace vindelor {
namespace {

struct Decoded {
    QByteArray data;
    int errors = 0;
    int breaks = 0;
};

// Feeds `chunks` one read at a time through one decoder.
Decoded Feed(std::initializer_list<QByteArray> chunks) {
    LineMarkDecoder decoder;
    Decoded out;
    for (QByteArray chunk : chunks) {
        LineMarkDecoder::Found found;
        const std::size_t n =
            decoder.Decode(chunk.data(), static_cast<std::size_t>(chunk.size()), &found);
        out.data += chunk.left(static_cast<qsizetype>(n));
        out.errors += found.errors;
        out.breaks += found.breaks;
    }
    return out;
}

QByteArray B(const char* s, int n) {
    return QByteArray(s, n);
}

TEST(LineMarks, DataAndMarksInOneRead) {
    const Decoded d =
        Feed({B("AT\xff\xff"
                "B\xff\x00"
                "xC\xff\x00\x00"
                "D",
                13)});
    EXPECT_EQ(d.data, B("AT\xff"
                        "BCD",
                        6));
    EXPECT_EQ(d.errors, 1);
    EXPECT_EQ(d.breaks, 1);
}

TEST(LineMarks, MarksSplitOverReads) {
    // Every split point of a framing mark, a doubled 0xFF and a break.
    const QByteArray whole =
        B("a\xff\x00"
          "zb\xff\xff"
          "c\xff\x00\x00"
          "d",
          12);
    for (int cut = 0; cut <= whole.size(); ++cut) {
        SCOPED_TRACE(cut);
        const Decoded d = Feed({whole.left(cut), whole.mid(cut)});
        EXPECT_EQ(d.data, B("ab\xff"
                            "cd",
                            5));
        EXPECT_EQ(d.errors, 1);
        EXPECT_EQ(d.breaks, 1);
    }
}

TEST(LineMarks, ReadOfOnlyMarksLeavesNoData) {
    const Decoded d =
        Feed({B("\xff\x00"
                "x\xff\x00"
                "y",
                6)});
    EXPECT_TRUE(d.data.isEmpty());
    EXPECT_EQ(d.errors, 2);
}

TEST(LineMarks, LoneFfNeverOverwritesBytesNotYetDecoded) {
    // Marks switched on while an unmarked 0xFF was in flight.
    EXPECT_EQ(Feed({B("x\xff"
                      "AB",
                      4)})
                  .data,
              B("x\xff"
                "AB",
                4));
    EXPECT_EQ(Feed({B("x\xff", 2), B("AB", 2)}).data, B("xAB", 3));
}

}  // namespace
}  // namespace vindelor
