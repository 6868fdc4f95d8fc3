// The start and pause screen: six items in two columns, the text page of the
// selected item, keyboard and mouse selection.
#pragma once

#include <glm/glm.hpp>

#include <string>

class Framebuffer;
class Quad2D;
class Texture;

enum MenuStatus {
    MENU_LEVEL_1 = 0,
    MENU_LEVEL_2 = 1,
    MENU_LEVEL_3 = 2,
    MENU_CONTROLS = 3,
    MENU_RESUME = 4,
    MENU_EXIT = 5,
};

struct MenuItem {
    int x = 0, y = 0; // design-screen pixels, y up
    std::string text;
    int status = 0;
    bool enabled = false;    // choosing it ends the menu
    bool selectable = false; // drawn and reachable
    glm::vec4 rect = glm::vec4(0.0f); // window-pixel box of the drawn label (x, y, w, h)
};

constexpr int MENU_ITEM_COUNT = 6;

class Menu {
public:
    // Without graphics only the items and their navigation exist (no title, strip or
    // quad renderer, no resize listener): for use without a GL context.
    explicit Menu(bool withGraphics = true);
    ~Menu();
    Menu(const Menu&) = delete;
    Menu& operator=(const Menu&) = delete;

    // Reads the cursor and the left button; dt < 0 only records the cursor position.
    void update(float dt);
    // The mouse part of update, with the cursor (window pixels, y up) and button given.
    void pointerMoved(double x, double y, bool leftPressed, float dt);
    // One credits-strip step of 1/60 s at most per call, with `now` the clock in seconds.
    void advanceScroll(float now);
    // Builds the credits strip texture once: our credits line and the three library badges.
    Texture* createMenuCreditsStrip();
    void onResize();
    // Brings the still picture (items and page, clear elsewhere) up to date with the
    // selection.
    void renderStill();
    // Window-pixel width of the title at full window height; the strip starts there.
    float titleWidth() const;

    // Keyboard navigation while the menu is shown.
    void choose();
    void moveUp();
    void moveDown();
    void moveRight();
    void moveLeft();

    bool m_done = false;
    int m_exit_status = 0;
    Texture* m_title = nullptr;
    Texture* m_credits = nullptr;
    glm::vec4 m_saved_clear_color = glm::vec4(0.0f);
    Quad2D* m_quad = nullptr;
    bool m_active = false;
    int m_selected = 0;
    float m_scroll = 0.0f;
    float m_scroll_time = 0.0f;
    float m_last_time = -1.0f;
    int m_origin_x = 570, m_origin_y = 700;
    int m_column_step = 400;
    int m_row_step = 50;
    MenuItem m_items[MENU_ITEM_COUNT];
    int m_item_of_status[MENU_ITEM_COUNT];
    std::string m_credits_line;
    glm::vec2 m_design_size = glm::vec2(1280.0f, 768.0f);
    Framebuffer* m_still = nullptr; // the window-size picture renderStill keeps
    int m_still_selected = -1;      // the selection it shows; -1: to be drawn
    bool m_still_resume_shown = false;

private:
    void drawStill();
};

// Text pages shown beside the items; pages 0 to 3 come from "/menu/".
extern std::string gMenuTexts[MENU_ITEM_COUNT];

void loadMenuTexts();
void openMenu(bool gameRunning);
void closeMenu();
void renderMenu();
