#include "app/Settings.h"

#include "audio/AudioSettings.h"
#include "level/Game.h"
#include "app/Globals.h"
#include "app/Window.h"
#include "platform/IniFile.h"

#include <cmath>
#include <climits>
#include <iostream>

namespace {

constexpr float degToRad = 0.017453292f;

void warnDefault(const char* section, const char* key, const std::string& why)
{
    std::cout << "WARNING: [" << section << "] " << key << " " << why << "; using the default instead" << std::endl;
}

// An int setting that must be at least `minimum`.
int readIntAtLeast(const INIReader& reader, const char* section, const char* key, int defaultValue, int minimum)
{
    const int value = iniGetInt(reader, section, key, defaultValue);
    if (value < minimum) {
        warnDefault(section, key, "is below " + std::to_string(minimum));
        return defaultValue;
    }
    return value;
}

// A real setting that must be finite and strictly positive.
float readPositive(const INIReader& reader, const char* section, const char* key, float defaultValue)
{
    const float value = iniGetFloat(reader, section, key, defaultValue);
    if (!std::isfinite(value) || value <= 0.0f) {
        warnDefault(section, key, "must be a positive number");
        return defaultValue;
    }
    return value;
}

// A real setting that must be a number: NaN or an infinity warns and keeps the default.
float readFinite(const INIReader& reader, const char* section, const char* key, float defaultValue)
{
    const float value = iniGetFloat(reader, section, key, defaultValue);
    if (!std::isfinite(value)) {
        warnDefault(section, key, "is not a finite number");
        return defaultValue;
    }
    return value;
}

// A window side: at least 1, and no more than a display and GL can hold.
int readWindowSide(const INIReader& reader, const char* key, int defaultValue)
{
    const int value = readIntAtLeast(reader, "window", key, defaultValue, 1);
    if (value > maxWindowSide) {
        std::cout << "WARNING: [window] " << key << " " << value << " is above " << maxWindowSide << "; using "
                  << maxWindowSide << std::endl;
        return maxWindowSide;
    }
    return value;
}

// A side of the HUD design screen: a screen size, so no larger than a window may be.
float readHudDesignSide(const INIReader& reader, const char* key, float defaultValue)
{
    const float value = readPositive(reader, "hud", key, defaultValue);
    if (value > static_cast<float>(maxWindowSide)) {
        warnDefault("hud", key, "is above " + std::to_string(maxWindowSide));
        return defaultValue;
    }
    return value;
}

// A HUD position in design pixels: a number within a screen's reach of the design
// screen, so that the instrument's corners stay apart once scaled to the window.
float readHudPosition(const INIReader& reader, const char* key, float defaultValue)
{
    const float value = readFinite(reader, "hud", key, defaultValue);
    if (std::fabs(value) > static_cast<float>(maxWindowSide)) {
        warnDefault("hud", key,
                    "lies further than " + std::to_string(maxWindowSide) + " pixels from the screen's corner");
        return defaultValue;
    }
    return value;
}

} // namespace

void readSettings(const INIReader& r, Game& game)
{
    // [window]
    gWindowTitle = r.Get("window", "title", "The Kestrun Event");
    gFullscreen = gFullscreenRequested = r.GetBoolean("window", "fullscreen", gFullscreen);
    gKeepDesktopResolution = r.GetBoolean("window", "keep_desktop_resolution", false);
    gFullscreenWidth = readWindowSide(r, "fs_width", 800);
    gFullscreenHeight = readWindowSide(r, "fs_height", 600);
    gWindowedWidth = readWindowSide(r, "width", 800);
    gWindowedHeight = readWindowSide(r, "height", 600);
    gRefreshRate = readIntAtLeast(r, "window", "refresh_rate", 60, 1);
    gDisableVsync = r.GetBoolean("window", "disable_vsync", false);
    game.m_antialiasing = iniGetInt(r, "window", "antialiasing", 4);
    if (game.m_antialiasing < 0) {
        std::cout << "WARNING: [window] antialiasing is negative; multisampling is switched off" << std::endl;
        game.m_antialiasing = 0;
    }
    gWindowSamples = 0;
    gDoGammaCorrection = r.GetBoolean("window", "do_gamma_correction", false);
    gGamma = iniGetFloat(r, "window", "gamma", 0.0f);

    // [camera]
    Camera& camera = game.m_camera;
    const float fovDegrees = iniGetFloat(r, "camera", "fov", 60.0f);
    if (!std::isfinite(fovDegrees) || fovDegrees <= 0.0f || fovDegrees >= 180.0f) {
        warnDefault("camera", "fov", "must lie between 0 and 180 degrees");
        camera.fov = 60.0f * degToRad;
    } else {
        camera.fov = fovDegrees * degToRad;
    }
    camera.near = readPositive(r, "camera", "near", 0.1f);
    camera.far = iniGetFloat(r, "camera", "far", 100.0f);
    if (!std::isfinite(camera.far) || camera.far <= camera.near) {
        warnDefault("camera", "far", "must be beyond the near plane");
        camera.far = 100.0f;
        if (camera.far <= camera.near)
            camera.near = 0.1f;
    }

    // [player]
    gDecayAngularVelocity = r.GetBoolean("player", "DecayAngularVelocity", gDecayAngularVelocity);
    gDecayAngularVelocityFactor = iniGetFloat(r, "player", "DecayAngularVelocityFactor", gDecayAngularVelocityFactor);
    gMainThrusterAcceleration = iniGetFloat(r, "player", "MainThrusterAcceleration", gMainThrusterAcceleration);
    const float side = iniGetFloat(r, "player", "SideThrusterAcceleration", 0.0f);
    if (side != 0.0f)
        gSideThrusterAcceleration = side * degToRad;

    // [game]
    const int initialLevel = iniGetInt(r, "game", "initialLevel", 0);
    if (initialLevel != 0)
        gCurrentLevel = initialLevel;
    gDevKeysEnabled = r.GetBoolean("game", "dev_keys_enabled", gDevKeysEnabled);
    gAllowDevKeys = r.GetBoolean("game", "allow_to_enable_dev_keys", gAllowDevKeys);
    game.m_radRateInc = readFinite(r, "game", "rad_rate_inc", 0.05f);
    game.m_radRateDec = readFinite(r, "game", "rad_rate_dec", 0.1f);
    game.m_radRateCharge = readFinite(r, "game", "rad_rate_charge", 0.1f);
    game.m_radChargeMode = iniGetInt(r, "game", "rad_charge_mode", 1);
    game.m_radMinRadToCharge = readFinite(r, "game", "rad_minrad_to_charge", 0.5f);
    game.m_radEmpRadius = readFinite(r, "game", "rad_emp_radius", game.m_empRadius);
    game.m_radEmpRadiation = readFinite(r, "game", "rad_emp_radiation", 1.0f);
    game.m_radEmpDuration = readFinite(r, "game", "rad_emp_duration", 1.0f);
    game.m_radEmpQuadratic = r.GetBoolean("game", "rad_emp_quadratic", true);
    game.m_radMinimap = readFinite(r, "game", "rad_minimap", 0.2f);
    game.m_radStabilizer = readFinite(r, "game", "rad_stabilizer", 0.4f);
    game.m_radLights = readFinite(r, "game", "rad_lights", 0.5f);
    game.m_radAuxiliary = readFinite(r, "game", "rad_auxiliary", 0.6f);
    game.m_radCompass = readFinite(r, "game", "rad_compass", 0.8f);
    game.m_radFadeMax = readFinite(r, "game", "rad_fade_max", 1.0f);

    // [misc]
    gCrystalNudging = iniGetFloat(r, "misc", "crystal_nudging", gCrystalNudging);
    gEmpLaunchVelocity = iniGetFloat(r, "misc", "emp_launch_velocity", gEmpLaunchVelocity);
    gEmpLaunchPosition = iniGetFloat(r, "misc", "emp_launch_position", gEmpLaunchPosition);
    gEmpMinimalGroundspeed = iniGetFloat(r, "misc", "emp_minimal_groundspeed", gEmpMinimalGroundspeed);
    glm::vec3 direction;
    direction.x = iniGetFloat(r, "misc", "emp_launch_direction_x", gEmpLaunchDirection.x);
    direction.y = iniGetFloat(r, "misc", "emp_launch_direction_y", gEmpLaunchDirection.y);
    direction.z = iniGetFloat(r, "misc", "emp_launch_direction_z", gEmpLaunchDirection.z);
    const float length = glm::length(direction);
    if (!std::isfinite(length) || length < 1e-6f)
        warnDefault("misc", "emp_launch_direction", "has no direction");
    else
        gEmpLaunchDirection = direction / length;
    const float triggerDefault = static_cast<float>(static_cast<int>(game.m_empTriggerFrames / 60.0f));
    const float triggerSeconds = iniGetFloat(r, "misc", "emp_trigger_seconds", triggerDefault);
    if (std::isnan(triggerSeconds)) {
        warnDefault("misc", "emp_trigger_seconds", "is not a number");
    } else {
        const float frames = triggerSeconds * 60.0f;
        if (frames < 0.0f || frames > static_cast<float>(INT_MAX))
            std::cout << "WARNING: [misc] emp_trigger_seconds is out of range and was clamped" << std::endl;
        game.m_empTriggerFrames = frames <= 0.0f ? 0 : frames >= 2147483520.0f ? INT_MAX : static_cast<int>(frames);
    }
    game.m_empRadius = iniGetFloat(r, "misc", "emp_radius", game.m_empRadius);
    game.m_empNumMax = iniGetInt(r, "misc", "emp_num_max", game.m_empNumMax);

    // [sound]
    gSoundEnabled = r.GetBoolean("sound", "enabled", gSoundEnabled);
    gMasterVolume = readFinite(r, "sound", "master_volume", gMasterVolume);
    gMusicVolume = readFinite(r, "sound", "music_volume", gMusicVolume);
    gEffectsVolume = readFinite(r, "sound", "effects_volume", gEffectsVolume);
    gVoiceVolume = readFinite(r, "sound", "voice_volume", gVoiceVolume);
    gMasterVolumeMax = readFinite(r, "sound", "master_volume_max", gMasterVolumeMax);
    if (gMasterVolumeMax <= 0.0f)
        gMasterVolumeMax = 1.0f;

    // [hud]
    gHudDesignSize.x = readHudDesignSide(r, "design_size_x", gHudDesignSize.x);
    gHudDesignSize.y = readHudDesignSide(r, "design_size_y", gHudDesignSize.y);
    gHudRadBarY = readHudPosition(r, "pos_radbar_y", gHudRadBarY);
    gHudPosHelium.x = readHudPosition(r, "pos_helium_x", gHudPosHelium.x);
    gHudPosHelium.y = readHudPosition(r, "pos_helium_y", gHudPosHelium.y);
    gHudPosFuel.x = readHudPosition(r, "pos_fuel_x", gHudPosFuel.x);
    gHudPosFuel.y = readHudPosition(r, "pos_fuel_y", gHudPosFuel.y);
    const char* lightKeys[3][2] = {
        {"pos_light1_x", "pos_light1_y"}, {"pos_light2_x", "pos_light2_y"}, {"pos_light3_x", "pos_light3_y"}};
    for (int i = 0; i < 3; ++i) {
        gHudPosLights[i].x = readHudPosition(r, lightKeys[i][0], gHudPosLights[i].x);
        gHudPosLights[i].y = readHudPosition(r, lightKeys[i][1], gHudPosLights[i].y);
    }
    gHudPosEmps.x = readHudPosition(r, "pos_emps_x", gHudPosEmps.x);
    gHudPosEmps.y = readHudPosition(r, "pos_emps_y", gHudPosEmps.y);
    gHudPosMap.x = readHudPosition(r, "pos_map_x", gHudPosMap.x);
    gHudPosMap.y = readHudPosition(r, "pos_map_y", gHudPosMap.y);
}
