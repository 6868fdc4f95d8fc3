// The loading screen before a level, the end screen after the last one, and the
// game's part of a window resize.
#include "level/Game.h"

#include "platform/AssetFiles.h"
#include "app/Globals.h"
#include "gl/FramePresenter.h"
#include "gl/Framebuffer.h"
#include "screen/Font.h"
#include "screen/Quad2D.h"
#include "audio/SoundSystem.h"
#include "gl/Texture.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

namespace {

const char* const kNoIntroText = "INTRO TEXT NOT AVAILABLE";
const char* const kPrompt = "PRESS ANY KEY TO START";
// Far more of the intro text than the loading screen can show (the small font fits well
// under a thousand characters on it); a larger file is not read past this.
constexpr size_t kIntroTextMaxBytes = 4096;

// The folder name of a screen: the level number, "end" for the end screen, empty for
// the test levels, which have neither picture nor text.
std::string screenName(int level)
{
    if (level >= 1 && level <= 3)
        return std::to_string(level);
    return level == -1 ? "end" : "";
}

void scaleToWindow(Font* font)
{
    font->restoreStyle();
    font->style.scaleX = gWindowWidth / 1280.0f;
    font->style.scaleY = gWindowHeight / 768.0f;
}

} // namespace

std::string levelFolder(const std::string& name)
{
    return "level/" + name;
}

void Game::showLoadingScreen(int level)
{
    FramePresenter::presentWaiting();
    if (level != 0) {
        const std::string name = screenName(level);
        if (!m_loadingImage && !name.empty())
            m_loadingImage = new Texture(false, levelFolder(name) + "/loading.jpg");
        bool ok = false;
        m_introText = readTextFile(gAssetsDir + "/sounds/level/" + name + "/loading.txt", &ok, kIntroTextMaxBytes);
        if (!ok)
            m_introText = kNoIntroText;
    }

    const float W = static_cast<float>(gWindowWidth);
    const float H = static_cast<float>(gWindowHeight);
    glViewport(0, 0, gWindowWidth, gWindowHeight);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    // The picture centred at 80 % of the window height, its aspect kept.
    if (m_loadingImage && m_quad) {
        const float h = 0.8f * H;
        const float w = static_cast<float>(m_loadingImage->m_width) * h / static_cast<float>(m_loadingImage->m_height);
        m_quad->draw(m_loadingImage, (W - w) / 2.0f, (H - h) / 2.0f, w, h, glm::vec2(0.0f), glm::vec2(1.0f));
    }

    // The intro text centred on 60 % of the height, over a shadow one design pixel
    // right and down.
    if (Font* font = gFontSmall) {
        scaleToWindow(font);
        glm::vec2 size(0.0f);
        font->render(&size, true, 0.0f, 0.0f, m_introText);
        const float x = W / 2.0f - size.x / 2.0f;
        const float y = 0.6f * H + size.y / 2.0f;
        font->style.color = glm::vec3(0.0f);
        font->renderTop(nullptr, x + W / 1280.0f, y - H / 768.0f, m_introText);
        font->style.color = glm::vec3(1.0f);
        font->renderTop(nullptr, x, y, m_introText);

        // The prompt only once the level has loaded.
        if (m_loadingScreen) {
            scaleToWindow(font);
            font->style.color = glm::vec3(1.0f);
            font->render(&size, true, 0.0f, 0.0f, kPrompt);
            font->render(nullptr, false, (W - size.x) / 2.0f, 0.05f * H, kPrompt);
        }
    }

    if (m_endSequence && m_endScreenHold <= 0.0f && m_quad) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        m_quad->drawColor(glm::vec4(0.0f, 0.0f, 0.0f, endScreenFadeAlpha()), 0.0f, 0.0f, W, H);
        glDisable(GL_BLEND);
    }

    // While the level goes on loading the screen must already be visible; redraws
    // are presented by the main loop.
    if (level > 0 && gWindow)
        FramePresenter::frameDone(gWindow, false);
}

float Game::endScreenFadeAlpha() const
{
    if (!m_endSequence || m_endScreenHold > 0.0f)
        return 0.0f;
    if (!(m_endScreenFadeDuration > 0.0f))
        return 1.0f;
    return 1.0f - std::clamp(m_endScreenFade / m_endScreenFadeDuration, 0.0f, 1.0f);
}

void Game::leaveLoadingScreen()
{
    m_loadingScreen = false;
    m_endSequence = false;
    m_paused = false;
    delete m_loadingImage;
    m_loadingImage = nullptr;

    const bool sound = gSound && gSound->ready;
    if (sound)
        gSound->releaseSlot(SOUND_LEVEL_LOADING_VOICE);
    // A short pause between the briefing and the start voice.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    if (sound && gSound->channels[SOUND_LEVEL_STARTING_VOICE])
        gSound->play(SOUND_LEVEL_STARTING_VOICE);

    resetCameraForPlay();
}

void Game::resetCameraForPlay()
{
    const Camera::ResetState& reset = m_camera.resetState;
    m_camera.phi = reset.phi;
    m_camera.theta = reset.theta;
    m_camera.r = reset.r;
    m_camera.focus = reset.focus;
    m_camera.min_rad = reset.min_rad;
    m_camera.max_rad = 50.0f;
}

void Game::onResize()
{
    if (!m_initialized)
        return;
    if (m_quad)
        m_quad->setRect(0.0f, 0.0f, static_cast<float>(gWindowWidth), static_cast<float>(gWindowHeight));
    if (m_multisampling) {
        delete m_msaaFramebuffer;
        delete m_resolveFramebuffer;
        m_msaaFramebuffer = m_resolveFramebuffer = nullptr;
        createFramebuffers();
    }
    glViewport(0, 0, gWindowWidth, gWindowHeight);
}
