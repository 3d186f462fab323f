#pragma once

// The user's arrangement of the catalog keys and gaps, per panel: kept in the user defaults with a time
// stamp, merged with the current catalogs on every read, and exchanged with the document.

#include "Document/Date.h"
#include "Document/VellDocument.h"
#include "Keypad/KeySlot.h"

#include <QObject>
#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QSettings;

namespace vell {

class KeyLayoutStore : public QObject {
    Q_OBJECT

public:
    enum class Kind {
        functions,
        units
    };
    static constexpr std::array<Kind, 2> allKinds{Kind::functions, Kind::units};
    static std::string_view rawValue(Kind kind);

    static constexpr std::string_view blankPrefix = "blank:";
    static constexpr std::string_view updatedAtKey = "vell.keyLayout.updatedAt";
    // "vell.keyLayout." followed by the kind's raw value.
    static std::string defaultsKey(Kind kind);

    // Group key to the slot ids of that group, in order.
    using Order = std::map<std::string, std::vector<std::string>>;

    // Loads the arrangement and its stamp from `defaults`; unreadable data is ignored.
    explicit KeyLayoutStore(std::shared_ptr<QSettings> defaults, Date::Clock clock = Date::now,
                            QObject* parent = nullptr);
    ~KeyLayoutStore() override;

    // A kind without an entry follows its catalog.
    const KeyLayouts& layouts() const { return layouts_; }
    // The distant past when no change was ever stored.
    Date updatedAt() const { return updatedAt_; }

    // The panel's groups: the stored order merged with the current catalogs. Entries new to a catalog
    // join the end of their own group; stale and repeated ids are dropped.
    std::vector<SlotGroup> groups(Kind kind) const;
    bool isCustomized(Kind kind) const;

    // Puts the slot at the target's place, also in another group; unknown ids change nothing.
    void move(std::string_view slotId, std::string_view targetId, Kind kind);
    // A new gap at the end of the panel's last group.
    void addBlank(Kind kind);
    // Ids without the blank prefix are refused.
    void removeBlank(std::string_view blankId, Kind kind);
    // Forgets the kind's arrangement, so the panel follows its catalog again.
    void reset(Kind kind);

    // Takes the document's arrangement when its stamp is strictly later than ours; not `edited`.
    void adopt(KeyLayouts layouts, std::optional<Date> date);

    static std::vector<SlotGroup> defaultGroups(Kind kind);
    Order currentOrder(Kind kind) const;

signals:
    // The arrangement or its stamp changed; panels redraw.
    void changed();
    // A change the user made, once the store holds its time (after `changed`); adopting emits only
    // `changed`. The document takes the arrangement.
    void edited();

private:
    void store(Kind kind, Order order);
    void persist(Kind kind);
    void touch();

    std::shared_ptr<QSettings> defaults_;
    Date::Clock clock_;
    KeyLayouts layouts_;
    Date updatedAt_ = Date::distantPast;
};

} // namespace vell
