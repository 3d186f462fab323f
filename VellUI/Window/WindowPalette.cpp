#include "Window/WindowPalette.h"

#include "Appearance/Theme.h"

namespace vell {

QPalette WindowPalette::make(bool dark) {
    const QColor windowColor = Theme::windowBackground.resolve(dark);
    const QColor controlColor = Theme::controlBackground.resolve(dark);
    const QColor ink = Theme::ink.resolve(dark);
    const QColor secondary = Theme::secondaryInk.resolve(dark);
    const QColor accent = Theme::accent.resolve(dark);

    QPalette palette(ink, windowColor);
    palette.setColor(QPalette::Base, controlColor);
    palette.setColor(QPalette::AlternateBase, dark ? windowColor.lighter(115) : windowColor.darker(104));
    palette.setColor(QPalette::Text, ink);
    palette.setColor(QPalette::WindowText, ink);
    palette.setColor(QPalette::ButtonText, ink);
    palette.setColor(QPalette::Button, dark ? windowColor.lighter(125) : controlColor);
    palette.setColor(QPalette::Light, dark ? windowColor.lighter(160) : controlColor);
    palette.setColor(QPalette::Midlight, dark ? windowColor.lighter(130) : windowColor.lighter(105));
    palette.setColor(QPalette::Mid, dark ? windowColor.darker(130) : windowColor.darker(125));
    palette.setColor(QPalette::Dark, dark ? windowColor.darker(160) : windowColor.darker(150));
    palette.setColor(QPalette::Shadow, QColor(0, 0, 0, dark ? 200 : 90));
    palette.setColor(QPalette::Highlight, accent);
    // White on the dark appearance's light accent reads at 2.6:1 only.
    palette.setColor(QPalette::HighlightedText, Theme::onAccent.resolve(dark));
    palette.setColor(QPalette::Link, accent);
    palette.setColor(QPalette::PlaceholderText, secondary);
    palette.setColor(QPalette::ToolTipBase, controlColor);
    palette.setColor(QPalette::ToolTipText, ink);
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, secondary);
    return palette;
}

} // namespace vell
