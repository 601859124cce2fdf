// Moves the camera or the selected actor from the joystick, the mouse and
// the polled keys. Amounts are per frame (nothing is scaled by time).
//
// Turns multiply on the right (M := M x R), so they are about the record's
// own axes; key moves are along the world axes.
#include "input/navigation.h"

#include "input/input_devices.h"
#include "platform/dinput.h"
#include "scene/records.h"

std::int32_t SelectedActor = 0;

namespace {

constexpr float kJoystickFactor = 0.1f;   // world units per axis unit (-100..100)
constexpr float kMouseMoveFactor = 1.0f;  // world units per mouse count
constexpr float kMouseTurnFactor = 0.005f;  // radians per mouse count
constexpr float kKeyMoveStep = 10.0f;
constexpr float kKeyTurnStep = 0.1f;

void TurnX(Matrix3& orientation, float angle) { orientation.Product(orientation, Matrix3::RotationX(angle)); }

Actor& ChooseTarget() {
    if (SelectedActor >= 0 && SelectedActor < Scene.actorCount) return Scene.actors[SelectedActor];
    return Scene.camera;
}

void ApplyJoystick(Actor& target) {
    if (Input.JoystickPresent() == 0) return;
    Input.PollJoystick();
    float jx = 0.0f, jy = 0.0f;
    Input.GetJoystickAxes(&jx, &jy);
    target.position.x += kJoystickFactor * jx;
    if (Input.JoystickButton(1) != 0) {
        target.position.y += kJoystickFactor * jy;
    } else {
        target.position.z += kJoystickFactor * jy;
    }
}

void ApplyMouse(Actor& target) {
    Input.PollMouse();
    float mx = 0.0f, my = 0.0f;
    Input.GetMouseMotion(&mx, &my);
    const float moveX = kMouseMoveFactor * mx, moveY = kMouseMoveFactor * my;
    Actor& camera = Scene.camera;
    if (Input.MouseButton(1) != 0) {
        // Pan the camera in its screen plane, whatever the target.
        camera.position += camera.orientation.Column(1) * moveY;
        camera.position += camera.orientation.Column(0) * moveX;
    } else if (Input.MouseButton(0) != 0) {
        // Pushing the mouse away (my < 0) flies forward; sideways rolls the target.
        camera.position += (-camera.orientation.Column(2)) * moveY;
        target.orientation.RotateZ(-kMouseTurnFactor * mx);
    } else if (Input.MouseButton(2) != 0) {
        target.position += target.orientation.Column(0) * moveX;
        target.position += target.orientation.Column(2) * (-moveY);
    } else {
        TurnX(target.orientation, -kMouseTurnFactor * my);
        target.orientation.RotateY(kMouseTurnFactor * mx);
    }
}

void ApplyKeys(Actor& target) {
    Input.PollKeyboard();
    if (Input.KeyDown(DIK_A)) target.position.x -= kKeyMoveStep;
    if (Input.KeyDown(DIK_D)) target.position.x += kKeyMoveStep;
    if (Input.KeyDown(DIK_W)) target.position.y -= kKeyMoveStep;
    if (Input.KeyDown(DIK_S)) target.position.y += kKeyMoveStep;
    if (Input.KeyDown(DIK_Q)) target.position.z += kKeyMoveStep;
    if (Input.KeyDown(DIK_Y)) target.position.z -= kKeyMoveStep;
    if (Input.KeyDown(DIK_F)) TurnX(target.orientation, kKeyTurnStep);
    if (Input.KeyDown(DIK_H)) TurnX(target.orientation, -kKeyTurnStep);
    if (Input.KeyDown(DIK_G)) target.orientation.RotateY(-kKeyTurnStep);
    if (Input.KeyDown(DIK_T)) target.orientation.RotateY(kKeyTurnStep);
    if (Input.KeyDown(DIK_V)) target.orientation.RotateZ(kKeyTurnStep);
    if (Input.KeyDown(DIK_R)) target.orientation.RotateZ(-kKeyTurnStep);
}

void ApplySelectionKeys() {
    // Later keys overwrite earlier ones: 0, then 1..9, then P (the camera).
    if (Input.KeyDown(DIK_0)) SelectedActor = 0;
    for (int n = 1; n <= 9; ++n)
        if (Input.KeyDown(DIK_1 + n - 1)) SelectedActor = n;
    if (Input.KeyDown(DIK_P)) SelectedActor = -1;
}

}  // namespace

void UpdateNavigation() {
    Actor& target = ChooseTarget();
    ApplyJoystick(target);
    ApplyMouse(target);
    ApplyKeys(target);
    ApplySelectionKeys();
}
