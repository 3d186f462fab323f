#include "Document/SheetTabTransfer.h"
#include "DocumentTestSupport.h"

namespace vell {
namespace {

const Uuid sample = *Uuid::fromString("6ED5B5D7-6FD3-4545-8420-FC60A744BBAA");

TEST(SheetTabTransfer, EncodesTheIdAloneCompactAndInUpperCase) {
    EXPECT_EQ(SheetTabTransfer{sample}.encode(), R"({"id":"6ED5B5D7-6FD3-4545-8420-FC60A744BBAA"})");
    for (int i = 0; i < 20; ++i) {
        const SheetTabTransfer transfer{Uuid::random()};
        EXPECT_EQ(SheetTabTransfer::decode(transfer.encode()), transfer);
    }
}

TEST(SheetTabTransfer, ReadsOnlyTheIdInEitherCase) {
    const char* accepted[] = {
        R"({"id":"6ED5B5D7-6FD3-4545-8420-FC60A744BBAA"})",
        R"({"id":"6ed5b5d7-6fd3-4545-8420-fc60a744bbaa"})",
        R"({"name":"Budget","id":"6ED5B5D7-6FD3-4545-8420-FC60A744BBAA","order":[1,2]})",
        "{ \"id\" : \"6ED5B5D7-6FD3-4545-8420-FC60A744BBAA\" }\n",
    };
    for (const char* text : accepted)
        EXPECT_EQ(SheetTabTransfer::decode(text), SheetTabTransfer{sample}) << text;
}

TEST(SheetTabTransfer, RefusesWhatHoldsNoUuidUnderId) {
    const char* refused[] = {
        "{}",
        R"({"id":"nope"})",
        R"({"id":""})",
        R"({"id":42})",
        R"({"id":null})",
        R"({"ID":"6ED5B5D7-6FD3-4545-8420-FC60A744BBAA"})",
        R"({"id":"6ED5B5D76FD345458420FC60A744BBAA"})",
        R"({"id":" 6ED5B5D7-6FD3-4545-8420-FC60A744BBAA"})",
        R"(["6ED5B5D7-6FD3-4545-8420-FC60A744BBAA"])",
        R"("6ED5B5D7-6FD3-4545-8420-FC60A744BBAA")",
        "6ED5B5D7-6FD3-4545-8420-FC60A744BBAA",
        R"({"id":"6ED5B5D7-6FD3-4545-8420-FC60A744BBAA")",
        "",
        "not json",
    };
    for (const char* text : refused)
        EXPECT_FALSE(SheetTabTransfer::decode(text)) << text;
}

TEST(SheetTabTransfer, ADropsItemsAreItsDecodableLinesInOrder) {
    const SheetTabTransfer first{sample};
    const SheetTabTransfer second{Uuid::random()};
    EXPECT_EQ(SheetTabTransfer::decodeItems(first.encode()), std::vector{first});
    EXPECT_EQ(SheetTabTransfer::decodeItems(first.encode() + "\n{}\n" + second.encode() + "\n"),
              (std::vector{first, second}));
    EXPECT_TRUE(SheetTabTransfer::decodeItems("").empty());
    EXPECT_TRUE(SheetTabTransfer::decodeItems("{}\nnope").empty());
}

} // namespace
} // namespace vell
