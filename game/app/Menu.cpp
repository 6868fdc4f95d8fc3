#include "app/Menu.h"

#include "platform/AssetFiles.h"
#include "platform/Fatal.h"
#include "app/Globals.h"
#include "gl/FramePresenter.h"
#include "gl/Framebuffer.h"
#include "gl/GlState.h"
#include "platform/ResizeListeners.h"
#include "screen/Font.h"
#include "screen/Quad2D.h"
#include "audio/SoundSystem.h"
#include "gl/Texture.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <cmath>

std::string gMenuTexts[MENU_ITEM_COUNT];

namespace {

// Mouse state shared by every call of Menu::update.
int gHoveredItem = -1;
double gLastCursorX = 0.0, gLastCursorY = 0.0;

constexpr float SCROLL_STEP_TIME = 1.0f / 60.0f;
constexpr float SCROLL_PER_STEP = 0.0008f;
constexpr int STRIP_WIDTH = 2340;
constexpr int STRIP_HEIGHT = 50;

// Badges of the libraries that play the sound, run the physics and read the images.
const char* const kLogoFiles[] = {"logos/fmod.png", "logos/physx.jpg", "logos/openil.jpg"};

void menuResized(void* listener, int)
{
    static_cast<Menu*>(listener)->onResize();
}

Texture* loadClampedTexture(const std::string& file)
{
    auto* texture = new Texture(false, file);
    glBindTexture(GL_TEXTURE_2D, texture->m_texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

// The menu theme and the level music take turns: one rests while the other plays.
void handOverMusic(int resting, int playing)
{
    if (!gSound || !gSound->ready)
        return;
    if (gSound->channels[resting])
        gSound->channels[resting].setPaused(true);
    if (gSound->channels[playing])
        gSound->channels[playing].setPaused(false);
}

} // namespace

Menu::Menu(bool withGraphics)
{
    struct ItemDef {
        const char* text;
        int status;
        int column, row;
        bool enabled;
    };
    const ItemDef defs[MENU_ITEM_COUNT] = {
        {"LEVEL 1: GANYMEDE", MENU_LEVEL_1, 0, 0, true}, {"LEVEL 2: EUROPA", MENU_LEVEL_2, 0, 1, true},
        {"LEVEL 3: IO", MENU_LEVEL_3, 0, 2, true},       {"CONTROLS", MENU_CONTROLS, 1, 0, false},
        {"RESUME GAME", MENU_RESUME, 1, 1, false},       {"EXIT", MENU_EXIT, 1, 2, true},
    };
    for (int i = 0; i < MENU_ITEM_COUNT; ++i) {
        MenuItem& item = m_items[i];
        item.text = defs[i].text;
        item.status = defs[i].status;
        item.x = m_origin_x + defs[i].column * m_column_step;
        item.y = m_origin_y - defs[i].row * m_row_step;
        item.enabled = defs[i].enabled;
        item.selectable = defs[i].status != MENU_RESUME;
    }
    for (int& index : m_item_of_status)
        index = -1;
    for (int i = 0; i < MENU_ITEM_COUNT; ++i)
        m_item_of_status[m_items[i].status] = i;
    for (int index : m_item_of_status)
        if (index < 0)
            fatalError("Menu item initialization failed");
    m_credits_line = "THE KESTRUN EVENT  -  A LANDER GAME BY THE KESTRUN TEAM  -  BUILT WITH";
    if (!withGraphics)
        return;

    m_quad = new Quad2D(0.0f, 0.0f, static_cast<float>(gWindowWidth), static_cast<float>(gWindowHeight));
    m_title = loadClampedTexture("title.jpg");
    m_title->setDesignScreenSize(m_design_size);
    m_credits = createMenuCreditsStrip();
    unregisterResizeListener(this);
    registerResizeListener(this, menuResized);
}

Menu::~Menu()
{
    if (m_quad)
        unregisterResizeListener(this);
    delete m_title;
    delete m_credits;
    delete m_still;
    delete m_quad;
}

Texture* Menu::createMenuCreditsStrip()
{
    auto* strip = new Texture(STRIP_WIDTH, STRIP_HEIGHT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);

    GlStateSnapshot saved;
    GLuint framebuffer = 0;
    glGenFramebuffers(1, &framebuffer);
    saveGlState(framebuffer, &saved);
    glViewport(0, 0, STRIP_WIDTH, STRIP_HEIGHT);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, strip->m_texture, 0);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        fatalError("Menu: Framebuffer creation failed");

    Texture* logos[3];
    for (int i = 0; i < 3; ++i)
        logos[i] = loadClampedTexture(kLogoFiles[i]);

    m_quad->setRect(0.0f, 0.0f, static_cast<float>(STRIP_WIDTH), static_cast<float>(STRIP_HEIGHT));
    gFontSmall->setProjection(STRIP_WIDTH, STRIP_HEIGHT);
    const FontStyle fontStyle = gFontSmall->style;

    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);

    // The credits line, then the badges 48 pixels high, 40 pixels apart.
    gFontSmall->style.color = glm::vec3(0.8f);
    gFontSmall->style.lowerCaseFactor = 0.0f;
    gFontSmall->style.scaleX = gFontSmall->style.scaleY = 1.0f;
    glm::vec2 size(0.0f);
    gFontSmall->render(&size, false, 0.0f, 4.0f, m_credits_line);
    float x = size.x + 40.0f;
    for (Texture* logo : logos) {
        const float s = 48.0f / static_cast<float>(logo->m_height);
        const float w = static_cast<float>(logo->m_width) * s;
        m_quad->draw(logo, x, 1.0f, w, 48.0f, glm::vec2(0.0f), glm::vec2(1.0f));
        x += w + 40.0f;
    }

    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(saved.drawFramebuffer));
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(saved.readFramebuffer));
    glViewport(saved.viewport[0], saved.viewport[1], saved.viewport[2], saved.viewport[3]);
    glClearColor(saved.clearColor[0], saved.clearColor[1], saved.clearColor[2], saved.clearColor[3]);
    glDeleteFramebuffers(1, &framebuffer);
    m_quad->setRect(0.0f, 0.0f, static_cast<float>(gWindowWidth), static_cast<float>(gWindowHeight));
    gFontSmall->setProjection(gWindowWidth, gWindowHeight);
    gFontSmall->style = fontStyle;
    for (Texture* logo : logos)
        delete logo;
    return strip;
}

void Menu::onResize()
{
    m_quad->setRect(0.0f, 0.0f, static_cast<float>(gWindowWidth), static_cast<float>(gWindowHeight));
    if (m_active)
        glViewport(0, 0, gWindowWidth, gWindowHeight);
}

void Menu::advanceScroll(float now)
{
    m_scroll_time += now - m_last_time;
    m_last_time = now;
    // At most one step per frame: a slow frame rate scrolls slower.
    if (m_scroll_time >= SCROLL_STEP_TIME) {
        m_scroll_time -= SCROLL_STEP_TIME;
        m_scroll += SCROLL_PER_STEP;
        if (m_scroll > 1.0f)
            m_scroll -= 1.0f;
    }
}

void Menu::choose()
{
    if (m_items[m_selected].enabled) {
        m_done = true;
        m_exit_status = m_items[m_selected].status;
    }
}

void Menu::moveDown()
{
    do {
        m_selected = (m_selected + 1) % MENU_ITEM_COUNT;
    } while (!m_items[m_selected].selectable);
}

void Menu::moveUp()
{
    do {
        m_selected = (m_selected + MENU_ITEM_COUNT - 1) % MENU_ITEM_COUNT;
    } while (!m_items[m_selected].selectable);
}

void Menu::moveRight()
{
    if (m_selected + 3 < MENU_ITEM_COUNT && m_items[m_selected + 3].selectable)
        m_selected += 3;
}

void Menu::moveLeft()
{
    if (m_selected - 3 >= 0 && m_items[m_selected - 3].selectable)
        m_selected -= 3;
}

void Menu::update(float dt)
{
    double x = 0.0, y = 0.0;
    if (gWindow)
        glfwGetCursorPos(gWindow, &x, &y);
    y = (gWindowHeight - 1) - y;
    const bool leftPressed = gWindow && glfwGetMouseButton(gWindow, GLFW_MOUSE_BUTTON_LEFT) == GLFW_PRESS;
    pointerMoved(x, y, leftPressed, dt);
}

void Menu::pointerMoved(double x, double y, bool leftPressed, float dt)
{
    // A new showing forgets the item hovered in the last one: a click counts only after
    // the cursor has moved onto an item since the menu opened.
    if (dt < 0.0f)
        gHoveredItem = -1;
    if (dt >= 0.0f) {
        if (std::fabs(x - gLastCursorX) > 1.0 || std::fabs(y - gLastCursorY) >= 1.0) {
            gHoveredItem = -1;
            for (int i = 0; i < MENU_ITEM_COUNT; ++i) {
                const MenuItem& item = m_items[i];
                if (item.selectable && x >= item.rect.x && x <= item.rect.x + item.rect.z && y >= item.rect.y &&
                    y <= item.rect.y + item.rect.w)
                    m_selected = gHoveredItem = i;
            }
        }
        if (leftPressed && gHoveredItem == m_selected && gHoveredItem >= 0 && m_items[m_selected].enabled) {
            m_done = true;
            m_exit_status = m_items[m_selected].status;
        }
    }
    gLastCursorX = x;
    gLastCursorY = y;
}

void loadMenuTexts()
{
    const char* pages[] = {"level_1.txt", "level_2.txt", "level_3.txt", "controls.txt"};
    for (int i = 0; i < 4; ++i)
        gMenuTexts[i] = readTextFile(gAssetsDir + "/menu/" + pages[i]);
}

void openMenu(bool gameRunning)
{
    // Level music rests while the menu theme plays.
    handOverMusic(SOUND_LEVEL_MUSIC, SOUND_INTRO_MUSIC);
    Menu* menu = gMenu;
    if (!menu)
        return;
    glGetFloatv(GL_COLOR_CLEAR_VALUE, &menu->m_saved_clear_color[0]);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    const int resume = menu->m_item_of_status[MENU_RESUME];
    menu->m_selected = gameRunning ? resume : 0;
    menu->m_items[resume].enabled = gameRunning;
    menu->m_items[resume].selectable = gameRunning;
    menu->m_scroll_time = 0.0f;
    menu->m_last_time = static_cast<float>(glfwGetTime());
    menu->m_done = false;
    menu->m_active = true;
    menu->update(-1.0f);
}

void closeMenu()
{
    handOverMusic(SOUND_INTRO_MUSIC, SOUND_LEVEL_MUSIC);
    Menu* menu = gMenu;
    if (!menu)
        return;
    const glm::vec4& c = menu->m_saved_clear_color;
    glClearColor(c.r, c.g, c.b, c.a);
    menu->m_active = false;
}

float Menu::titleWidth() const
{
    const glm::vec2 design = m_title->getDesignScreenSize();
    return static_cast<float>(gWindowWidth) * (static_cast<float>(m_title->m_width) / m_title->m_height) *
           (design.y / design.x);
}

void Menu::drawStill()
{
    const float W = static_cast<float>(gWindowWidth);
    const float H = static_cast<float>(gWindowHeight);
    const glm::vec2 design = m_title->getDesignScreenSize();
    const glm::vec2 toWindow(W / design.x, H / design.y);

    Font* font = gFontSmall;
    if (!font)
        return;
    font->style.scaleX = toWindow.x;
    font->style.scaleY = toWindow.y;
    font->style.tabWidth = 200.0f;
    for (int i = 0; i < MENU_ITEM_COUNT; ++i) {
        MenuItem& item = m_items[i];
        if (!item.selectable)
            continue;
        const glm::vec2 pos(item.x * toWindow.x, item.y * toWindow.y);
        font->style.color = glm::vec3(i == m_selected ? 0.93333334f : 0.37333333f);
        glm::vec2 size(0.0f);
        font->render(&size, false, pos.x, pos.y, item.text);
        item.rect = glm::vec4(pos, size);
    }

    // The selected item's page below the items; a long one runs over the credits strip.
    const std::string& page = gMenuTexts[m_selected];
    if (page.empty())
        return;
    const MenuItem& lastRow = m_items[2];
    const float x = lastRow.x * toWindow.x;
    const float y = lastRow.y * toWindow.y - 1.5f * font->pixelSize * font->style.scaleY;
    font->style.scaleX = 0.8f * toWindow.x;
    font->style.scaleY = 0.8f * toWindow.y;
    font->style.color = glm::vec3(0.46666667f, 0.53333336f, 1.0f);
    font->render(nullptr, false, x, y, page);
}

void Menu::renderStill()
{
    // The items and the page change only with the selection or the window size: they
    // are drawn once into a picture of the window, which each frame lays over the
    // title and the moving strip (a page of text is hundreds of draws).
    const bool resumeShown = m_items[m_item_of_status[MENU_RESUME]].selectable;
    if (!m_still || m_still->m_width != gWindowWidth || m_still->m_height != gWindowHeight) {
        delete m_still;
        m_still = new Framebuffer(2, 0);
        m_still_selected = -1;
    }
    if (m_still_selected == m_selected && m_still_resume_shown == resumeShown)
        return;
    m_still_selected = m_selected;
    m_still_resume_shown = resumeShown;

    GlStateSnapshot saved;
    saveGlState(m_still->m_fbo, &saved);
    glViewport(0, 0, gWindowWidth, gWindowHeight);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // The text blends its colour in as usual, which over the clear picture leaves it
    // multiplied by the coverage; the alpha keeps the coverage itself, so that the
    // picture goes over anything as the text would.
    glBlendEquationSeparate(GL_FUNC_ADD, GL_MAX);
    drawStill();
    glBlendEquation(GL_FUNC_ADD);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(saved.drawFramebuffer));
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(saved.readFramebuffer));
    glViewport(saved.viewport[0], saved.viewport[1], saved.viewport[2], saved.viewport[3]);
    glClearColor(saved.clearColor[0], saved.clearColor[1], saved.clearColor[2], saved.clearColor[3]);
}

void renderMenu()
{
    FramePresenter::presentWaiting();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    Menu* menu = gMenu;
    if (!menu || !menu->m_quad)
        return;
    menu->advanceScroll(static_cast<float>(glfwGetTime()));
    menu->renderStill();

    const float W = static_cast<float>(gWindowWidth);
    const float H = static_cast<float>(gWindowHeight);
    const float toWindow = H / menu->m_design_size.y;
    // The title at full window height, the credits strip right of it, and the items
    // and the page over both.
    const float titleWidth = menu->titleWidth();
    menu->m_quad->draw(menu->m_title, 0.0f, 0.0f, titleWidth, H, glm::vec2(0.0f), glm::vec2(1.0f));
    menu->m_quad->draw(menu->m_credits, titleWidth, 0.0f, STRIP_WIDTH * toWindow, STRIP_HEIGHT * toWindow,
                       glm::vec2(menu->m_scroll, 0.0f), glm::vec2(1.0f));
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    menu->m_quad->draw(menu->m_still->m_color_texture, 0.0f, 0.0f, W, H, glm::vec2(0.0f), glm::vec2(1.0f));
    glDisable(GL_BLEND);
}
