#include "screen/MessageList.h"

MessageList gMessages;

MessageList::~MessageList()
{
    clear();
}

void MessageList::clear()
{
    for (Message* message : m_messages)
        delete message;
    m_messages.clear();
}

void MessageList::add(Font* font, glm::vec3 color, float scale, const std::string& text, float xFraction,
                      float yFraction, float durationSeconds, MessageId id)
{
    auto* message = new Message();
    message->id = id;
    message->text = text;
    const float width = static_cast<float>(gWindowWidth);
    const float height = static_cast<float>(gWindowHeight);

    glm::vec2 size(0.0f);
    if (font) {
        font->restoreStyle();
        font->style.color = color;
        font->style.scaleX = width * scale / 1280.0f;
        font->style.scaleY = height * scale / 768.0f;
        font->render(&size, true, 0.0f, 0.0f - font->pixelSize * font->style.scaleY, text);
        message->style = font->style;
    }
    message->topAnchored = true;
    message->duration = message->remaining = durationSeconds;
    message->x = xFraction * width - size.x / 2.0f;
    message->y = yFraction * height + size.y / 2.0f;
    message->font = font;

    if (id != MessageId::None) {
        for (Message*& shown : m_messages) {
            if (shown->id == id) {
                delete shown;
                shown = message;
                return;
            }
        }
    }
    m_messages.push_back(message);
}

void MessageList::draw()
{
    for (Message* message : m_messages) {
        if (!message->font)
            continue;
        message->font->style = message->style;
        if (message->topAnchored)
            message->font->renderTop(nullptr, message->x, message->y, message->text);
        else
            message->font->render(nullptr, false, message->x, message->y, message->text);
    }
}

void MessageList::update(float dt)
{
    for (size_t i = 0; i < m_messages.size();) {
        m_messages[i]->remaining -= dt;
        if (m_messages[i]->remaining < 0.0f) {
            delete m_messages[i];
            m_messages.erase(m_messages.begin() + static_cast<long>(i));
        } else {
            ++i;
        }
    }
}
