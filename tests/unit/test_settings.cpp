#include "TempDir.h"

#include "audio/AudioSettings.h"
#include "level/Game.h"
#include "app/Globals.h"
#include "platform/IniFile.h"
#include "app/Settings.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

// Puts every global the settings touch back to its built-in value.
void resetSettingsGlobals()
{
    gWindowTitle.clear();
    gFullscreen = gFullscreenRequested = false;
    gDecayAngularVelocity = true;
    gDecayAngularVelocityFactor = 0.01f;
    gMainThrusterAcceleration = 20.0f;
    gSideThrusterAcceleration = 1.5707964f;
    gCurrentLevel = 0;
    gDevKeysEnabled = false;
    gAllowDevKeys = true;
    gEmpLaunchDirection = glm::vec3(0.0f, -1.0f, 0.0f);
    gSoundEnabled = true;
    gMasterVolume = 1.0f;
    gMasterVolumeMax = 1.0f;
    gMusicVolume = gEffectsVolume = gVoiceVolume = 0.5f;
    gHudDesignSize = glm::vec2(1280.0f, 768.0f);
    gHudPosHelium = glm::vec2(10.0f, 578.0f);
    gHudPosMap = glm::vec2(1090.0f, 578.0f);
}

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { resetSettingsGlobals(); }
    void TearDown() override { resetSettingsGlobals(); }

    // Reads `text` as settings.ini into a fresh Game-like destination.
    void read(const std::string& text)
    {
        const std::string path = dir.write("settings.ini", text);
        auto reader = openIniReader(path);
        game = std::make_unique<Game>();
        readSettings(*reader, *game);
    }

    TempDir dir;
    std::unique_ptr<Game> game;
};

} // namespace

TEST_F(SettingsTest, EmptyFileConvertsTheDefaultsItDerives)
{
    // Degrees become radians, seconds become 1/60 s frames.
    read("");
    EXPECT_FLOAT_EQ(game->m_camera.fov, 1.0471976f);
    EXPECT_FLOAT_EQ(gSideThrusterAcceleration, 1.5707964f);
    EXPECT_EQ(game->m_empTriggerFrames, 600);
}

TEST_F(SettingsTest, ConversionsAndOverrides)
{
    read("[WINDOW]\nFullScreen = ON\n[player]\nSideThrusterAcceleration = 45\n"
         "[misc]\nemp_trigger_seconds = 2.5\nemp_launch_direction_x = 3\nemp_launch_direction_y = 0\n"
         "emp_launch_direction_z = 4\nemp_radius = 80\n[game]\ninitialLevel = 3\nrad_emp_radius = 12\n"
         "[sound]\nmaster_volume_max = -2\n");
    EXPECT_TRUE(gFullscreen);
    EXPECT_TRUE(gFullscreenRequested);
    EXPECT_NEAR(gSideThrusterAcceleration, 0.7853982f, 1e-7f);
    EXPECT_EQ(game->m_empTriggerFrames, 150);
    EXPECT_NEAR(gEmpLaunchDirection.x, 0.6f, 1e-6f);
    EXPECT_NEAR(gEmpLaunchDirection.z, 0.8f, 1e-6f);
    EXPECT_FLOAT_EQ(game->m_empRadius, 80.0f);
    EXPECT_FLOAT_EQ(game->m_radEmpRadius, 12.0f);
    EXPECT_EQ(gCurrentLevel, 3);
    EXPECT_FLOAT_EQ(gMasterVolumeMax, 1.0f);
}

TEST_F(SettingsTest, EdgeValues)
{
    read("[window]\nfullscreen = y\n");
    EXPECT_FALSE(gFullscreen);
    read("[window]\nfullscreen = yes\n");
    EXPECT_TRUE(gFullscreen);

    read("[misc]\nemp_trigger_seconds = 0.01\n[player]\nSideThrusterAcceleration = 0\n[sound]\nmaster_volume_max = 0\n");
    EXPECT_EQ(game->m_empTriggerFrames, 0);
    EXPECT_FLOAT_EQ(gSideThrusterAcceleration, 1.5707964f);
    EXPECT_FLOAT_EQ(gMasterVolumeMax, 1.0f);

    // Sides no display or GL driver holds are clamped, with a word why.
    testing::internal::CaptureStdout();
    read("[window]\nwidth = 65536\nfs_height = 2147483647\n");
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(gWindowedWidth, 16384);
    EXPECT_EQ(gFullscreenHeight, 16384);
    EXPECT_NE(log.find("WARNING: [window] width 65536 is above 16384; using 16384\n"), std::string::npos) << log;

    read("[camera]\nnear = 5\nfar = 5\n");
    EXPECT_FLOAT_EQ(game->m_camera.near, 5.0f);
    EXPECT_FLOAT_EQ(game->m_camera.far, 100.0f);
    read("[camera]\nnear = 500\n");
    EXPECT_LT(game->m_camera.near, game->m_camera.far);

    read("[misc]\nemp_num_max = 4294967295\nemp_trigger_seconds = 1e30\n[game]\nrad_charge_mode = -99999999999\n");
    EXPECT_EQ(game->m_empNumMax, INT_MAX);
    EXPECT_EQ(game->m_empTriggerFrames, INT_MAX);
    EXPECT_EQ(game->m_radChargeMode, INT_MIN);
}

TEST_F(SettingsTest, ValuesThatWouldBreakTheGameFallBackToDefaults)
{
    testing::internal::CaptureStdout();
    read("[window]\nwidth = 0\nheight = -5\nantialiasing = -2\n[camera]\nfov = 180\nnear = 0\nfar = -1\n"
         "[hud]\ndesign_size_x = 0\ndesign_size_y = 1e30\n[misc]\nemp_launch_direction_x = 0\nemp_launch_direction_y = 0\n"
         "emp_trigger_seconds = nan\n"
         "[game]\nrad_minimap = nan\nrad_stabilizer = inf\nrad_rate_inc = -inf\nrad_compass = 1.5\n"
         "[hud]\npos_helium_y = nan\npos_map_x = 1e30\n[sound]\nmusic_volume = nan\n");
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(gWindowedWidth, 800);
    EXPECT_EQ(gWindowedHeight, 600);
    EXPECT_EQ(game->m_antialiasing, 0);
    EXPECT_FLOAT_EQ(game->m_camera.fov, 1.0471976f);
    EXPECT_FLOAT_EQ(game->m_camera.near, 0.1f);
    EXPECT_FLOAT_EQ(game->m_camera.far, 100.0f);
    EXPECT_FLOAT_EQ(gHudDesignSize.x, 1280.0f);
    EXPECT_FLOAT_EQ(gHudDesignSize.y, 768.0f);
    EXPECT_NE(log.find("WARNING: [hud] design_size_y is above 16384"), std::string::npos);
    EXPECT_EQ(gEmpLaunchDirection, glm::vec3(0.0f, -1.0f, 0.0f));
    EXPECT_EQ(game->m_empTriggerFrames, 600);
    EXPECT_NE(log.find("WARNING: [camera] fov"), std::string::npos);
    EXPECT_NE(log.find("WARNING: [misc] emp_launch_direction"), std::string::npos);
    // Thresholds, rates, HUD places and volumes that are not numbers take their defaults;
    // a finite threshold above 1 (a system never off line) is meant and stays.
    EXPECT_FLOAT_EQ(game->m_radMinimap, 0.2f);
    EXPECT_FLOAT_EQ(game->m_radStabilizer, 0.4f);
    EXPECT_FLOAT_EQ(game->m_radRateInc, 0.05f);
    EXPECT_FLOAT_EQ(game->m_radCompass, 1.5f);
    EXPECT_EQ(gHudPosHelium, glm::vec2(10.0f, 578.0f));
    EXPECT_EQ(gHudPosMap, glm::vec2(1090.0f, 578.0f));
    EXPECT_FLOAT_EQ(gMusicVolume, 0.5f);
    EXPECT_NE(log.find("WARNING: [game] rad_minimap is not a finite number; using the default instead\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("WARNING: [hud] pos_map_x lies further than 16384 pixels from the screen's corner; using the "
                       "default instead\n"),
              std::string::npos)
        << log;
}

TEST_F(SettingsTest, MissingFileSaysSoAndKeepsDefaults)
{
    testing::internal::CaptureStdout();
    auto reader = openIniReader((dir.path() / "nothing.ini").string());
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(reader->ParseError(), -1);
    EXPECT_NE(log.find("ERROR: Failed to load '"), std::string::npos);
    EXPECT_NE(log.find("nothing.ini'. Using default values instead."), std::string::npos);
    Game g;
    readSettings(*reader, g);
    EXPECT_EQ(gWindowTitle, "The Kestrun Event");
}

TEST_F(SettingsTest, GarbageLinesWarnOnceAndKeepWhatWasRead)
{
    testing::internal::CaptureStdout();
    read("[window]\nwidth = 1024\nthis line is not a key\n[camera\nfar = 900\n");
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(gWindowedWidth, 1024);
    EXPECT_NE(log.find("WARNING: "), std::string::npos);
    EXPECT_NE(log.find("line 3"), std::string::npos);
    EXPECT_EQ(log.find("WARNING: ", log.find("WARNING: ") + 1), std::string::npos);
}
