#pragma once

// Checks a colour pair against its table value: colour text and alpha byte for the light and for the
// dark appearance.

#include "Appearance/ColorPair.h"

#include <QColor>
#include <gtest/gtest.h>

namespace vell::testsupport {

struct PairRow {
    const char* name;
    ColorPair pair;
    const char* light;
    int lightAlpha;
    const char* dark;
    int darkAlpha;
};

inline void expectResolvesToTable(const PairRow& row) {
    SCOPED_TRACE(row.name);
    QColor light(QString::fromLatin1(row.light));
    light.setAlpha(row.lightAlpha);
    QColor dark(QString::fromLatin1(row.dark));
    dark.setAlpha(row.darkAlpha);
    EXPECT_EQ(row.pair.resolve(false), light);
    EXPECT_EQ(row.pair.resolve(true), dark);
    EXPECT_EQ(row.pair.resolve(false).spec(), QColor::Rgb);
}

} // namespace vell::testsupport
