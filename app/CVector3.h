#pragma once

#include <cmath>

// Three floats: a position, a direction, Euler angles in radians (x, y, z
// about the x, y and z axes) or per-axis scale factors. A plain value type;
// a default-constructed vector is (0, 0, 0).
class CVector3
{
public:
    float x, y, z;

    CVector3() : x(0.0f), y(0.0f), z(0.0f) {}
    CVector3(float fx, float fy, float fz) : x(fx), y(fy), z(fz) {}

    void Set(float fx, float fy, float fz)
    {
        x = fx;
        y = fy;
        z = fz;
    }

    // Component i: 0 is x, 1 is y, 2 is z. i must be 0, 1 or 2.
    float& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
    float operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }

    CVector3 operator+(const CVector3& v) const { return CVector3(x + v.x, y + v.y, z + v.z); }
    CVector3 operator-(const CVector3& v) const { return CVector3(x - v.x, y - v.y, z - v.z); }
    CVector3 operator-() const { return CVector3(-x, -y, -z); }
    CVector3 operator*(float s) const { return CVector3(x * s, y * s, z * s); }
    // Division by 0 gives infinities, as for floats.
    CVector3 operator/(float s) const { return CVector3(x / s, y / s, z / s); }

    CVector3& operator+=(const CVector3& v)
    {
        x += v.x;
        y += v.y;
        z += v.z;
        return *this;
    }
    CVector3& operator-=(const CVector3& v)
    {
        x -= v.x;
        y -= v.y;
        z -= v.z;
        return *this;
    }
    CVector3& operator*=(float s)
    {
        x *= s;
        y *= s;
        z *= s;
        return *this;
    }
    CVector3& operator/=(float s)
    {
        x /= s;
        y /= s;
        z /= s;
        return *this;
    }

    // Exact component comparison (no tolerance).
    bool operator==(const CVector3& v) const { return x == v.x && y == v.y && z == v.z; }
    bool operator!=(const CVector3& v) const { return !(*this == v); }

    float Dot(const CVector3& v) const
    {
        return static_cast<float>(static_cast<double>(x) * v.x + static_cast<double>(y) * v.y +
                                  static_cast<double>(z) * v.z);
    }
    // Right-handed cross product this x v.
    CVector3 Cross(const CVector3& v) const
    {
        const double ax = x, ay = y, az = z;
        return CVector3(static_cast<float>(ay * v.z - az * v.y), static_cast<float>(az * v.x - ax * v.z),
                        static_cast<float>(ax * v.y - ay * v.x));
    }
    float LengthSquared() const { return Dot(*this); }
    float Length() const
    {
        const double ax = x, ay = y, az = z;
        return static_cast<float>(std::sqrt(ax * ax + ay * ay + az * az));
    }
    float Distance(const CVector3& v) const { return (*this - v).Length(); }

    // Scales the vector to length 1 and returns its former length. A zero
    // vector stays zero and 0 is returned.
    float Normalize()
    {
        const float len = Length();
        if (len > 0.0f)
        {
            x /= len;
            y /= len;
            z /= len;
        }
        return len;
    }
    // The unit vector in this direction; (0, 0, 0) for a zero vector.
    CVector3 Normalized() const
    {
        CVector3 v(*this);
        v.Normalize();
        return v;
    }
};

inline CVector3 operator*(float s, const CVector3& v)
{
    return v * s;
}

inline float Dot(const CVector3& a, const CVector3& b)
{
    return a.Dot(b);
}

inline CVector3 Cross(const CVector3& a, const CVector3& b)
{
    return a.Cross(b);
}
