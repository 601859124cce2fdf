// UpdateNavigation: target choice, joystick, the four mouse modes, the
// twelve movement keys and the selection keys, with exact results.
#include <gtest/gtest.h>

#include <cmath>

#include "input/input_devices.h"
#include "input/navigation.h"
#include "platform/dinput.h"
#include "platform/headless/headless_input.h"
#include "scene/records.h"

namespace {

// Columns (0,0,1), (1,0,0), (0,1,0): every axis differs from the world's,
// so a move along the wrong column shows.
Matrix3 Permutation() { return Matrix3(0, 1, 0, 0, 0, 1, 1, 0, 0); }

Matrix3 Times(const Matrix3& a, const Matrix3& b) {
    Matrix3 r;
    a.Product(r, b);
    return r;
}

void ExpectMatrixEq(const Matrix3& actual, const Matrix3& expected) {
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_FLOAT_EQ(actual.m[i][j], expected.m[i][j]) << "entry " << i << j;
}

void ExpectVecEq(const Vec3& actual, const Vec3& expected) {
    EXPECT_FLOAT_EQ(actual.x, expected.x);
    EXPECT_FLOAT_EQ(actual.y, expected.y);
    EXPECT_FLOAT_EQ(actual.z, expected.z);
}

class NavigationTest : public ::testing::Test {
protected:
    void SetUp() override {
        HeadlessInput = HeadlessInputState{};
        Input.Init(nullptr, nullptr);
        saved_ = Scene;
        for (Actor& a : actors_) a = Actor{};
        Scene.actors = actors_;
        Scene.actorCount = 2;
        Scene.camera = Actor{};
        Scene.camera.position = Vec3(1.0f, 2.0f, 3.0f);
        SelectedActor = 0;
    }
    void TearDown() override {
        HeadlessInput = HeadlessInputState{};
        Scene = saved_;
        SelectedActor = 0;
    }

    // One frame with these keys held, then all released.
    void FrameWithKeys(std::initializer_list<int> keys) {
        for (int k : keys) HeadlessInput.keys[k] = 0x80;
        UpdateNavigation();
        for (int k : keys) HeadlessInput.keys[k] = 0;
    }
    void FrameWithMouse(int dx, int dy, int button) {
        HeadlessInput.mouseDx = dx;
        HeadlessInput.mouseDy = dy;
        if (button >= 0) HeadlessInput.mouseButtons[button] = 0x80;
        UpdateNavigation();
        if (button >= 0) HeadlessInput.mouseButtons[button] = 0;
    }

    Actor actors_[2];
    SceneRecord saved_;
};

TEST_F(NavigationTest, MoveKeysGoAlongWorldAxes) {
    Actor& target = actors_[0];
    target.orientation = Permutation();
    struct Case {
        int key;
        Vec3 delta;
    } cases[] = {{DIK_A, {-10, 0, 0}}, {DIK_D, {10, 0, 0}}, {DIK_W, {0, -10, 0}},
                 {DIK_S, {0, 10, 0}},  {DIK_Q, {0, 0, 10}}, {DIK_Y, {0, 0, -10}}};
    for (const Case& c : cases) {
        target.position = Vec3(100.0f, 200.0f, 300.0f);
        FrameWithKeys({c.key});
        ExpectVecEq(target.position, Vec3(100.0f, 200.0f, 300.0f) + c.delta);
        ExpectMatrixEq(target.orientation, Permutation());
    }
    ExpectVecEq(Scene.camera.position, Vec3(1.0f, 2.0f, 3.0f));
    ExpectVecEq(actors_[1].position, Vec3());
}

TEST_F(NavigationTest, TurnKeysTurnAboutOwnAxes) {
    Actor& target = actors_[0];
    struct Case {
        int key;
        Matrix3 turn;
    } cases[] = {{DIK_F, Matrix3::RotationX(0.1f)},  {DIK_H, Matrix3::RotationX(-0.1f)},
                 {DIK_G, Matrix3::RotationY(-0.1f)}, {DIK_T, Matrix3::RotationY(0.1f)},
                 {DIK_V, Matrix3::RotationZ(0.1f)},  {DIK_R, Matrix3::RotationZ(-0.1f)}};
    for (const Case& c : cases) {
        target.orientation = Permutation();
        FrameWithKeys({c.key});
        ExpectMatrixEq(target.orientation, Times(Permutation(), c.turn));
        ExpectVecEq(target.position, Vec3());
    }
    // Spot check of one value: F from the identity gives Rx(0.1).
    target.orientation = Matrix3();
    FrameWithKeys({DIK_F});
    EXPECT_FLOAT_EQ(target.orientation.m[1][2], -std::sin(0.1f));
    EXPECT_FLOAT_EQ(target.orientation.m[2][1], std::sin(0.1f));
}

TEST_F(NavigationTest, OppositeKeysCancel) {
    Actor& target = actors_[0];
    target.position = Vec3(5.0f, 6.0f, 7.0f);
    FrameWithKeys({DIK_A, DIK_D, DIK_W, DIK_S, DIK_Q, DIK_Y});
    ExpectVecEq(target.position, Vec3(5.0f, 6.0f, 7.0f));
    FrameWithKeys({DIK_D, DIK_S});
    ExpectVecEq(target.position, Vec3(15.0f, 16.0f, 7.0f));
}

TEST_F(NavigationTest, SelectionKeysActNextFrameAndLastWins) {
    FrameWithKeys({DIK_D, DIK_1});
    EXPECT_EQ(SelectedActor, 1);
    EXPECT_EQ(actors_[0].position.x, 10.0f);  // this frame still moved actor 0
    EXPECT_EQ(actors_[1].position.x, 0.0f);
    FrameWithKeys({DIK_D});
    EXPECT_EQ(actors_[1].position.x, 10.0f);

    FrameWithKeys({DIK_3, DIK_P});
    EXPECT_EQ(SelectedActor, -1);
    FrameWithKeys({DIK_0, DIK_9});
    EXPECT_EQ(SelectedActor, 9);
    FrameWithKeys({DIK_0});
    EXPECT_EQ(SelectedActor, 0);
}

TEST_F(NavigationTest, SelectionOutOfRangeDrivesTheCameraAndIsKept) {
    for (int selection : {-1, 2, 9}) {
        SelectedActor = selection;
        Scene.camera.position = Vec3(1.0f, 2.0f, 3.0f);
        FrameWithKeys({DIK_D, DIK_Q});
        ExpectVecEq(Scene.camera.position, Vec3(11.0f, 2.0f, 13.0f));
        EXPECT_EQ(SelectedActor, selection);
    }
    ExpectVecEq(actors_[0].position, Vec3());
    ExpectVecEq(actors_[1].position, Vec3());

    // A scene without actors: actor 0 is out of range too.
    Scene.actorCount = 0;
    SelectedActor = 0;
    FrameWithKeys({DIK_W});
    EXPECT_EQ(Scene.camera.position.y, -8.0f);
}

TEST_F(NavigationTest, RightButtonPansTheCameraWhateverTheTarget) {
    Scene.camera.orientation = Permutation();
    FrameWithMouse(3, 5, 1);
    // += 5 x column 1 (1,0,0), then += 3 x column 0 (0,0,1).
    ExpectVecEq(Scene.camera.position, Vec3(6.0f, 2.0f, 6.0f));
    ExpectVecEq(actors_[0].position, Vec3());
    ExpectMatrixEq(actors_[0].orientation, Matrix3());
    ExpectMatrixEq(Scene.camera.orientation, Permutation());
}

TEST_F(NavigationTest, LeftButtonFliesTheCameraAndRollsTheTarget) {
    Scene.camera.orientation = Permutation();
    actors_[0].orientation = Permutation();
    FrameWithMouse(4, -6, 0);
    // Pushed away (dy < 0): forward along column 2 (0,1,0) by 6.
    ExpectVecEq(Scene.camera.position, Vec3(1.0f, 8.0f, 3.0f));
    ExpectMatrixEq(actors_[0].orientation, Times(Permutation(), Matrix3::RotationZ(-0.005f * 4.0f)));
    ExpectMatrixEq(Scene.camera.orientation, Permutation());
    ExpectVecEq(actors_[0].position, Vec3());
}

TEST_F(NavigationTest, LeftButtonWithCameraSelectedRollsAboutTheFlightAxis) {
    SelectedActor = -1;
    FrameWithMouse(10, -2, 0);
    ExpectVecEq(Scene.camera.position, Vec3(1.0f, 2.0f, 5.0f));
    ExpectMatrixEq(Scene.camera.orientation, Matrix3::RotationZ(-0.05f));
    EXPECT_EQ(Scene.camera.orientation.m[2][2], 1.0f);  // the viewing axis stays put
}

TEST_F(NavigationTest, MiddleButtonMovesTargetAlongItsOwnAxes) {
    actors_[0].orientation = Permutation();
    actors_[0].position = Vec3(10.0f, 20.0f, 30.0f);
    FrameWithMouse(3, 5, 2);
    // += 3 x column 0 (0,0,1), then += -5 x column 2 (0,1,0).
    ExpectVecEq(actors_[0].position, Vec3(10.0f, 15.0f, 33.0f));
    ExpectVecEq(Scene.camera.position, Vec3(1.0f, 2.0f, 3.0f));
    ExpectMatrixEq(actors_[0].orientation, Permutation());
}

TEST_F(NavigationTest, NoButtonTurnsTargetPitchThenYaw) {
    actors_[0].orientation = Permutation();
    FrameWithMouse(3, 5, -1);
    Matrix3 expected = Times(Times(Permutation(), Matrix3::RotationX(-0.025f)), Matrix3::RotationY(0.015f));
    ExpectMatrixEq(actors_[0].orientation, expected);
    ExpectVecEq(actors_[0].position, Vec3());
    ExpectVecEq(Scene.camera.position, Vec3(1.0f, 2.0f, 3.0f));
}

TEST_F(NavigationTest, RightButtonWinsOverTheOthersAndRestLeavesOrientationExact) {
    HeadlessInput.mouseButtons[0] = 0x80;
    HeadlessInput.mouseButtons[2] = 0x80;
    FrameWithMouse(2, 0, 1);
    ExpectVecEq(Scene.camera.position, Vec3(3.0f, 2.0f, 3.0f));
    ExpectMatrixEq(actors_[0].orientation, Matrix3());
    HeadlessInput.mouseButtons[0] = 0;
    HeadlessInput.mouseButtons[2] = 0;

    Matrix3 start(0.3f, -0.2f, 0.9f, 0.1f, 0.8f, 0.4f, -0.7f, 0.25f, 0.6f);
    actors_[0].orientation = start;
    FrameWithMouse(0, 0, -1);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(actors_[0].orientation.m[i][j], start.m[i][j]);
}

TEST_F(NavigationTest, JoystickMovesTargetAlongXAndZOrY) {
    HeadlessInput.joystickPresent = true;
    Input.Init(nullptr, nullptr);
    HeadlessInput.joyX = 65535;  // +100
    HeadlessInput.joyY = 0;      // -100
    UpdateNavigation();
    ExpectVecEq(actors_[0].position, Vec3(10.0f, 0.0f, -10.0f));
    HeadlessInput.joyButtons = 1;  // button 1: y axis moves along world y
    UpdateNavigation();
    ExpectVecEq(actors_[0].position, Vec3(20.0f, -10.0f, -10.0f));
    HeadlessInput.joyButtons = 2;  // another button does not switch
    HeadlessInput.joyX = 32767;    // centred
    UpdateNavigation();
    ExpectVecEq(actors_[0].position, Vec3(20.0f, -10.0f, -20.0f));
}

TEST_F(NavigationTest, FailedJoystickIsIgnoredFromThenOn) {
    HeadlessInput.joystickPresent = true;
    Input.Init(nullptr, nullptr);
    HeadlessInput.joyX = 65535;
    UpdateNavigation();
    EXPECT_EQ(actors_[0].position.x, 10.0f);
    HeadlessInput.failJoystickReads = true;
    UpdateNavigation();
    // The failed read still applies the previous axes this once.
    EXPECT_EQ(actors_[0].position.x, 20.0f);
    EXPECT_EQ(Input.JoystickPresent(), 0);
    HeadlessInput.failJoystickReads = false;
    UpdateNavigation();
    EXPECT_EQ(actors_[0].position.x, 20.0f);
}

}  // namespace
