#include "Stores/AppSettings.h"
#include "Stores/ResultColumn.h"
#include "Support/EngineSettingsScope.h"
#include "Support/TempDefaults.h"

#include <gtest/gtest.h>
#include <optional>

namespace vell {
namespace {

TEST(ResultColumn, SetWidthClampsStoresAndAnnouncesRealChangesOnly) {
    testsupport::EngineSettingsScope engine;
    testsupport::TempDefaults defaults;
    AppSettings settings(defaults.open());
    int announcements = 0;
    QObject::connect(&settings, &AppSettings::resultColumnWidthChanged,
                     [&announcements] { ++announcements; });

    struct Case {
        double proposed;
        std::optional<double> available;
        double stored;
    };
    const Case cases[] = {
        {50, std::nullopt, 84}, {900, std::nullopt, 560}, {300, 400.0, 250},        {300, 200.0, 84},
        {600, 1000.0, 560},     {300, 0.0, 300},          {180, std::nullopt, 180},
    };
    for (const Case& c : cases) {
        settings.setResultColumnWidth(123);
        announcements = 0;
        ResultColumn::setWidth(c.proposed, c.available, settings);
        EXPECT_EQ(settings.resultColumnWidth(), c.stored) << c.proposed;
        EXPECT_EQ(defaults.stored("vell.resultColumnWidth").toDouble(), c.stored) << c.proposed;
        EXPECT_EQ(announcements, 1) << c.proposed;
    }

    settings.setResultColumnWidth(200);
    announcements = 0;
    ResultColumn::setWidth(200.5, std::nullopt, settings);
    ResultColumn::setWidth(199.5, std::nullopt, settings);
    EXPECT_EQ(settings.resultColumnWidth(), 200);
    EXPECT_EQ(announcements, 0);
}

} // namespace
} // namespace vell
