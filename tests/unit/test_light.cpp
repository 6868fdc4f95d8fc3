#include "Light.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Records where a light would write itself.
class RecordingLight : public Light {
public:
    std::vector<int> locations;
    int uploadAt(int location, Shader*) override
    {
        locations.push_back(location);
        return location + 5;
    }
};

} // namespace

TEST(Light, EachLightTakesFiveLocationsFrom20)
{
    RecordingLight light;
    light.upload(0, nullptr);
    light.upload(1, nullptr);
    light.upload(3, nullptr);
    EXPECT_EQ(light.locations, (std::vector<int>{20, 25, 35}));
}
