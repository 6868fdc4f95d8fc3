#include "screen/MessageList.h"

#include <gtest/gtest.h>

TEST(MessageList, ZeroDurationStaysUntilTimeMoves)
{
    MessageList list;
    list.add(nullptr, glm::vec3(1.0f), 1.0f, "once", 0.5f, 0.5f, 0.0f);
    list.update(0.0f);
    EXPECT_EQ(list.messages().size(), 1u);
    list.update(0.01f);
    EXPECT_TRUE(list.messages().empty());
}

TEST(MessageList, AdjacentExpiredMessagesGoTogether)
{
    MessageList list;
    list.add(nullptr, glm::vec3(1.0f), 1.0f, "a", 0.5f, 0.5f, 0.5f);
    list.add(nullptr, glm::vec3(1.0f), 1.0f, "b", 0.5f, 0.5f, 0.5f);
    list.add(nullptr, glm::vec3(1.0f), 1.0f, "c", 0.5f, 0.5f, 2.0f);
    list.update(0.6f);
    ASSERT_EQ(list.messages().size(), 1u);
    EXPECT_EQ(list.messages()[0]->text, "c");
    EXPECT_FLOAT_EQ(list.messages()[0]->remaining, 1.4f);
}

TEST(MessageList, SameKindReplacesInPlace)
{
    MessageList list;
    list.add(nullptr, glm::vec3(1.0f), 1.0f, "Sound volume 95%", 0.5f, 0.5f, 1.0f, MessageId::Volume);
    list.add(nullptr, glm::vec3(1.0f), 1.0f, "Brightness 105%", 0.5f, 0.5f, 1.0f, MessageId::Brightness);
    list.add(nullptr, glm::vec3(1.0f), 1.0f, "Sound volume 90%", 0.5f, 0.5f, 1.0f, MessageId::Volume);
    list.add(nullptr, glm::vec3(1.0f), 1.0f, "plain", 0.5f, 0.5f, 1.0f);
    list.add(nullptr, glm::vec3(1.0f), 1.0f, "plain", 0.5f, 0.5f, 1.0f);
    ASSERT_EQ(list.messages().size(), 4u);
    EXPECT_EQ(list.messages()[0]->text, "Sound volume 90%");
    EXPECT_EQ(list.messages()[1]->text, "Brightness 105%");
}
