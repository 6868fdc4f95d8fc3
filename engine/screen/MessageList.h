// Short timed notices centred on a point of the window ("Brightness 115%", "CHECKPOINT").
#pragma once

#include "screen/Font.h"
#include "platform/FrameGlobals.h"

#include <glm/glm.hpp>

#include <string>
#include <vector>

// One id per kind of notice: a new notice replaces the shown one of its kind.
enum class MessageId {
    None = 0, // never replaces anything
    Volume,
    Brightness,
    DevKeys,
    Checkpoint,
    Info,
};

struct Message {
    MessageId id = MessageId::None;
    std::string text;
    float x = 0.0f, y = 0.0f; // left edge and top of the first line, pixels
    bool topAnchored = true;
    float duration = 0.0f;
    Font* font = nullptr;
    FontStyle style;
    float remaining = 0.0f;
};

class MessageList {
public:
    ~MessageList();

    // Shows `text` centred on (xFraction, yFraction) of the window for `durationSeconds`.
    void add(Font* font, glm::vec3 color, float scale, const std::string& text, float xFraction, float yFraction,
             float durationSeconds, MessageId id = MessageId::None);
    void draw();
    // Ages the messages; one whose remaining time drops below zero is removed.
    void update(float dt);
    void clear();

    const std::vector<Message*>& messages() const { return m_messages; }

private:
    std::vector<Message*> m_messages;
};

extern MessageList gMessages;
