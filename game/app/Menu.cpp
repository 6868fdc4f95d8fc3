#include "app/Menu.h"

#include "platform/AssetFiles.h"
#include "platform/Fatal.h"
#include "app/Globals.h"
#include "audio/SoundSystem.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <cmath>

std::string gMenuTexts[MENU_ITEM_COUNT];

namespace {

// Mouse state shared by every call of Menu::update.
int gHoveredItem = -1;
double gLastCursorX = 0.0, gLastCursorY = 0.0;

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

Menu::Menu()
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
}

Menu::~Menu() = default;

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
        if (gWindow && glfwGetMouseButton(gWindow, GLFW_MOUSE_BUTTON_LEFT) == GLFW_PRESS &&
            gHoveredItem == m_selected && gHoveredItem >= 0 && m_items[m_selected].enabled) {
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

void renderMenu()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}
