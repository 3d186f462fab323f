#include "Stores/ViewSwitches.h"

#include "Stores/UserDefaults.h"

#include <utility>

namespace vell {

namespace {

QString keyOf(std::string_view key) {
    return QString::fromLatin1(key.data(), static_cast<qsizetype>(key.size()));
}

} // namespace

ViewSwitches::ViewSwitches(std::shared_ptr<QSettings> defaults, QObject* parent)
    : QObject(parent), defaults_(std::move(defaults)) {
    showGraph_ = UserDefaults::boolean(*defaults_, keyOf(showGraphKey)).value_or(true);
    showKeypad_ = UserDefaults::boolean(*defaults_, keyOf(showKeypadKey)).value_or(true);
    keypadPanel_ = UserDefaults::string(*defaults_, keyOf(keypadPanelKey)).value_or(QString()).toStdString();
}

void ViewSwitches::setShowGraph(bool value) {
    if (store(showGraphKey, showGraph_, value)) emit showGraphChanged(value);
}

void ViewSwitches::setShowKeypad(bool value) {
    if (store(showKeypadKey, showKeypad_, value)) emit showKeypadChanged(value);
}

void ViewSwitches::setKeypadPanel(std::string value) {
    if (value == keypadPanel_) return;
    keypadPanel_ = std::move(value);
    UserDefaults::write(*defaults_, keyOf(keypadPanelKey), QString::fromStdString(keypadPanel_));
    emit keypadPanelChanged(keypadPanel_);
}

bool ViewSwitches::store(std::string_view key, bool& field, bool value) {
    if (field == value) return false;
    field = value;
    UserDefaults::write(*defaults_, keyOf(key), value);
    return true;
}

} // namespace vell
