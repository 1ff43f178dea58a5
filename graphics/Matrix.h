// 4 x 4 matrices in the row-vector, left-handed conventions of the camera
// set-up: a point p becomes p x M, and M1 x M2 applies M1 first.
#pragma once

struct Vector3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

struct Matrix {
    float m[4][4] = {};
};

Matrix MatrixIdentity();
// a x b: the transform of a, then that of b.
Matrix MatrixMultiply(const Matrix& a, const Matrix& b);
// Turns about the z axis by `angle` radians, from +x towards +y.
Matrix MatrixRotationZ(float angle);
// Roll about z, then pitch about x, then yaw about y.
Matrix MatrixRotationYawPitchRoll(float yaw, float pitch, float roll);
// The view of a left-handed camera at `eye` looking at `at`.
Matrix MatrixLookAtLH(const Vector3& eye, const Vector3& at, const Vector3& up);
// A left-handed perspective projection with a vertical field of view.
Matrix MatrixPerspectiveFovLH(float fovY, float aspect, float zNear, float zFar);
// p x M for a point (w = 1), without the division by w.
Vector3 TransformPoint(const Vector3& p, const Matrix& m);
