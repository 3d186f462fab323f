#include "Stores/KeyLayoutStore.h"

#include "Document/Uuid.h"
#include "Keypad/Catalogs.h"
#include "Stores/QtText.h"
#include "Stores/UserDefaults.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <algorithm>
#include <set>
#include <unordered_map>

namespace vell {

namespace {

// A JSON object of arrays of strings, or nothing.
std::optional<KeyLayoutStore::Order> decodeOrder(const QVariant& stored) {
    QByteArray bytes;
    switch (stored.typeId()) {
    case QMetaType::QString:
        bytes = stored.toString().toUtf8();
        break;
    case QMetaType::QByteArray:
        bytes = stored.toByteArray();
        break;
    // An INI value with unquoted commas comes back split at them.
    case QMetaType::QStringList:
        bytes = stored.toStringList().join(',').toUtf8();
        break;
    default:
        return std::nullopt;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
    KeyLayoutStore::Order order;
    const QJsonObject object = document.object();
    for (auto member = object.begin(); member != object.end(); ++member) {
        if (!member.value().isArray()) return std::nullopt;
        std::vector<std::string> ids;
        for (const QJsonValue& id : member.value().toArray()) {
            if (!id.isString()) return std::nullopt;
            ids.push_back(id.toString().toStdString());
        }
        order.emplace(member.key().toStdString(), std::move(ids));
    }
    return order;
}

QString encodeOrder(const KeyLayoutStore::Order& order) {
    QJsonObject object;
    for (const auto& [key, ids] : order) {
        QJsonArray array;
        for (const std::string& id : ids)
            array.append(QString::fromStdString(id));
        object.insert(QString::fromStdString(key), array);
    }
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

std::vector<SlotGroup> slotGroups(const std::vector<CatalogGroup>& catalog) {
    std::vector<SlotGroup> groups;
    groups.reserve(catalog.size());
    for (const CatalogGroup& group : catalog) {
        SlotGroup slotGroup{group.key, group.title, {}};
        slotGroup.keySlots.reserve(group.items.size());
        for (const FunctionItem& item : group.items)
            slotGroup.keySlots.push_back(KeySlot::key(item));
        groups.push_back(std::move(slotGroup));
    }
    return groups;
}

} // namespace

std::string_view KeyLayoutStore::rawValue(Kind kind) {
    switch (kind) {
    case Kind::functions:
        return "functions";
    case Kind::units:
        return "units";
    }
    return "functions";
}

std::string KeyLayoutStore::defaultsKey(Kind kind) {
    return "vell.keyLayout." + std::string(rawValue(kind));
}

KeyLayoutStore::KeyLayoutStore(std::shared_ptr<QSettings> defaults, Date::Clock clock, QObject* parent)
    : QObject(parent), defaults_(std::move(defaults)),
      clock_(clock ? std::move(clock) : Date::Clock(Date::now)) {
    for (Kind kind : allKinds) {
        if (auto order = decodeOrder(defaults_->value(fromU8(defaultsKey(kind)))))
            layouts_.emplace(std::string(rawValue(kind)), std::move(*order));
    }
    if (const auto date = UserDefaults::date(*defaults_, fromU8(updatedAtKey))) updatedAt_ = *date;
}

KeyLayoutStore::~KeyLayoutStore() = default;

std::vector<SlotGroup> KeyLayoutStore::defaultGroups(Kind kind) {
    if (kind == Kind::units) return slotGroups(UnitCatalog::categories());
    SlotGroup all{"", "", {}};
    for (SlotGroup& group : slotGroups(FunctionCatalog::categories()))
        for (KeySlot& slot : group.keySlots)
            all.keySlots.push_back(std::move(slot));
    return {std::move(all)};
}

std::vector<SlotGroup> KeyLayoutStore::groups(Kind kind) const {
    std::vector<SlotGroup> defaults = defaultGroups(kind);
    const auto saved = layouts_.find(std::string(rawValue(kind)));
    if (saved == layouts_.end() || saved->second.empty()) return defaults;

    std::unordered_map<std::string, const FunctionItem*> items;
    for (const SlotGroup& group : defaults)
        for (const KeySlot& slot : group.keySlots)
            items.emplace(slot.id(), slot.item());

    std::set<std::string, std::less<>> placed;
    std::vector<SlotGroup> result;
    result.reserve(defaults.size());
    for (const SlotGroup& group : defaults) {
        SlotGroup merged{group.key, group.title, {}};
        const auto ids = saved->second.find(group.key);
        if (ids != saved->second.end()) {
            for (const std::string& id : ids->second) {
                if (placed.contains(id)) continue;
                if (id.starts_with(blankPrefix)) {
                    merged.keySlots.push_back(KeySlot::blank(id));
                } else if (const auto item = items.find(id); item != items.end()) {
                    merged.keySlots.push_back(KeySlot::key(*item->second));
                } else {
                    continue;
                }
                placed.insert(id);
            }
        }
        result.push_back(std::move(merged));
    }
    for (std::size_t i = 0; i < defaults.size(); ++i) {
        for (KeySlot& slot : defaults[i].keySlots) {
            if (placed.insert(slot.id()).second) result[i].keySlots.push_back(std::move(slot));
        }
    }
    return result;
}

bool KeyLayoutStore::isCustomized(Kind kind) const {
    const auto saved = layouts_.find(std::string(rawValue(kind)));
    return saved != layouts_.end() && !saved->second.empty();
}

KeyLayoutStore::Order KeyLayoutStore::currentOrder(Kind kind) const {
    Order order;
    for (const SlotGroup& group : groups(kind)) {
        std::vector<std::string>& ids = order[group.key];
        ids.reserve(group.keySlots.size());
        for (const KeySlot& slot : group.keySlots)
            ids.push_back(slot.id());
    }
    return order;
}

void KeyLayoutStore::move(std::string_view slotId, std::string_view targetId, Kind kind) {
    if (slotId == targetId) return;
    Order order = currentOrder(kind);
    std::vector<std::string>* source = nullptr;
    std::vector<std::string>* destination = nullptr;
    std::size_t targetIndex = 0;
    for (auto& [key, ids] : order) {
        if (!source && std::find(ids.begin(), ids.end(), slotId) != ids.end()) source = &ids;
        if (const auto target = std::find(ids.begin(), ids.end(), targetId);
            !destination && target != ids.end()) {
            destination = &ids;
            targetIndex = static_cast<std::size_t>(target - ids.begin());
        }
    }
    if (!source || !destination) return;
    std::erase(*source, slotId);
    const auto at = std::min(targetIndex, destination->size());
    destination->insert(destination->begin() + static_cast<std::ptrdiff_t>(at), std::string(slotId));
    store(kind, std::move(order));
}

void KeyLayoutStore::addBlank(Kind kind) {
    Order order = currentOrder(kind);
    const std::vector<SlotGroup> merged = groups(kind);
    const std::string lastKey = merged.empty() ? std::string() : merged.back().key;
    order[lastKey].push_back(std::string(blankPrefix) + Uuid::random().uuidString());
    store(kind, std::move(order));
}

void KeyLayoutStore::removeBlank(std::string_view blankId, Kind kind) {
    if (!blankId.starts_with(blankPrefix)) return;
    Order order = currentOrder(kind);
    for (auto& [key, ids] : order)
        std::erase(ids, blankId);
    store(kind, std::move(order));
}

void KeyLayoutStore::reset(Kind kind) {
    layouts_.erase(std::string(rawValue(kind)));
    UserDefaults::remove(*defaults_, fromU8(defaultsKey(kind)));
    touch();
}

void KeyLayoutStore::adopt(KeyLayouts layouts, std::optional<Date> date) {
    if (!date || *date <= updatedAt_) return;
    layouts_ = std::move(layouts);
    updatedAt_ = *date;
    for (Kind kind : allKinds)
        persist(kind);
    UserDefaults::write(*defaults_, fromU8(updatedAtKey), UserDefaults::text(updatedAt_));
    emit changed();
}

void KeyLayoutStore::store(Kind kind, Order order) {
    layouts_[std::string(rawValue(kind))] = std::move(order);
    persist(kind);
    touch();
}

void KeyLayoutStore::persist(Kind kind) {
    const QString key = fromU8(defaultsKey(kind));
    const auto entry = layouts_.find(std::string(rawValue(kind)));
    if (entry == layouts_.end()) {
        UserDefaults::remove(*defaults_, key);
        return;
    }
    UserDefaults::write(*defaults_, key, encodeOrder(entry->second));
}

void KeyLayoutStore::touch() {
    // Never earlier than the stamp held: after adopting a stamp from a machine whose clock runs ahead,
    // a local change must still count as the newer one, or the document would hand the old layout back.
    // The document writes its dates in whole seconds, so the stamp moves on to the next second at least.
    std::int64_t seconds = updatedAt_.microsecondsSince1970() / 1'000'000;
    if (updatedAt_.microsecondsSince1970() % 1'000'000 < 0) --seconds;
    updatedAt_ = std::max(clock_(), Date::fromSeconds(seconds).addingSeconds(1));
    UserDefaults::write(*defaults_, fromU8(updatedAtKey), UserDefaults::text(updatedAt_));
    emit changed();
    emit edited();
}

} // namespace vell
