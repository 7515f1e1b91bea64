#pragma once

// Basic types of the physics layer: scalars, vectors, 3x3 rotations, poses,
// bounds, the error/output interface and the byte stream used by cooking.
// Plain C++; the Bullet-backed implementation lives in the .cpp files.

#include <cmath>
#include <cstdint>

namespace plat
{

typedef float NxReal;
typedef float NxF32;
typedef double NxF64;
typedef uint8_t NxU8;
typedef uint16_t NxU16;
typedef uint32_t NxU32;
typedef int32_t NxI32;

// Actor groups select contact-report flags; collision groups (0..31) select
// which shapes may collide. Both are 16 bits wide.
typedef NxU16 NxActorGroup;
typedef NxU16 NxCollisionGroup;

constexpr NxU32 NX_PHYSICS_SDK_VERSION = 0x2030300;
constexpr NxReal NX_MAX_F32 = 3.402823466e+38f;
constexpr NxU32 NX_NUM_COLLISION_GROUPS = 32;

struct NxVec3
{
    NxReal x, y, z;

    NxVec3() : x(0), y(0), z(0) {}
    NxVec3(NxReal ax, NxReal ay, NxReal az) : x(ax), y(ay), z(az) {}

    void set(NxReal ax, NxReal ay, NxReal az)
    {
        x = ax;
        y = ay;
        z = az;
    }
    void zero() { x = y = z = 0; }
    NxVec3 operator+(const NxVec3& o) const { return NxVec3(x + o.x, y + o.y, z + o.z); }
    NxVec3 operator-(const NxVec3& o) const { return NxVec3(x - o.x, y - o.y, z - o.z); }
    NxVec3 operator-() const { return NxVec3(-x, -y, -z); }
    NxVec3 operator*(NxReal s) const { return NxVec3(x * s, y * s, z * s); }
    NxVec3& operator+=(const NxVec3& o)
    {
        x += o.x;
        y += o.y;
        z += o.z;
        return *this;
    }
    NxVec3& operator-=(const NxVec3& o)
    {
        x -= o.x;
        y -= o.y;
        z -= o.z;
        return *this;
    }
    NxVec3& operator*=(NxReal s)
    {
        x *= s;
        y *= s;
        z *= s;
        return *this;
    }
    bool operator==(const NxVec3& o) const { return x == o.x && y == o.y && z == o.z; }
    NxReal dot(const NxVec3& o) const { return x * o.x + y * o.y + z * o.z; }
    NxVec3 cross(const NxVec3& o) const
    {
        return NxVec3(y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x);
    }
    NxReal magnitudeSquared() const { return dot(*this); }
    NxReal magnitude() const { return std::sqrt(magnitudeSquared()); }
    // Scales to length 1 and returns the old length; a zero vector stays zero.
    NxReal normalize()
    {
        const NxReal m = magnitude();
        if (m > 0)
            *this *= 1.0f / m;
        return m;
    }
};

// The controllers' positions: doubles, so that large worlds keep precision.
struct NxExtendedVec3
{
    NxF64 x, y, z;

    NxExtendedVec3() : x(0), y(0), z(0) {}
    NxExtendedVec3(NxF64 ax, NxF64 ay, NxF64 az) : x(ax), y(ay), z(az) {}
    void set(NxF64 ax, NxF64 ay, NxF64 az)
    {
        x = ax;
        y = ay;
        z = az;
    }
};

// A 3x3 matrix stored row by row: m[row][column]. Rotations act on column
// vectors (v' = M v).
class NxMat33
{
public:
    NxReal m[3][3];

    NxMat33() { id(); }
    void id();
    void zero();
    // Nine values, row after row / column after column.
    void setRowMajor(const NxF32* values);
    void getRowMajor(NxF32* values) const;
    void setColumnMajor(const NxF32* values);
    void getColumnMajor(NxF32* values) const;
    NxVec3 getRow(int row) const { return NxVec3(m[row][0], m[row][1], m[row][2]); }
    NxVec3 getColumn(int col) const { return NxVec3(m[0][col], m[1][col], m[2][col]); }
    void setRow(int row, const NxVec3& v)
    {
        m[row][0] = v.x;
        m[row][1] = v.y;
        m[row][2] = v.z;
    }
    NxMat33 getTransposed() const;
    NxVec3 operator*(const NxVec3& v) const;
    NxMat33 operator*(const NxMat33& o) const;
};

// A rigid pose: rotation M, then translation t.
struct NxMat34
{
    NxMat33 M;
    NxVec3 t;

    NxMat34() {}
    void id()
    {
        M.id();
        t.zero();
    }
    NxVec3 operator*(const NxVec3& v) const { return M * v + t; }
    NxMat34 operator*(const NxMat34& o) const;
};

struct NxBounds3
{
    NxVec3 min, max;

    void set(const NxVec3& lo, const NxVec3& hi)
    {
        min = lo;
        max = hi;
    }
    void set(NxReal x0, NxReal y0, NxReal z0, NxReal x1, NxReal y1, NxReal z1)
    {
        min.set(x0, y0, z0);
        max.set(x1, y1, z1);
    }
};

struct NxRay
{
    NxVec3 orig;
    NxVec3 dir; // unit length
};

enum NxHeightFieldAxis
{
    NX_X = 0,
    NX_Y = 1,
    NX_Z = 2,
    NX_NOT_HEIGHTFIELD = 0xff
};

enum NxErrorCode
{
    NXE_NO_ERROR = 0,
    NXE_INVALID_PARAMETER,
    NXE_INVALID_OPERATION,
    NXE_OUT_OF_MEMORY,
    NXE_INTERNAL_ERROR,
    NXE_ASSERTION,
    NXE_DB_INFO,
    NXE_DB_WARNING,
    NXE_DB_PRINT
};

enum NxAssertResponse
{
    NX_AR_CONTINUE = 0,
    NX_AR_IGNORE,
    NX_AR_BREAKPOINT
};

// Where the layer sends its errors and notes. The application supplies one
// object and keeps it alive as long as the SDK.
class NxUserOutputStream
{
public:
    virtual ~NxUserOutputStream() {}
    virtual void ReportError(NxErrorCode code, const char* message, const char* file, int line) = 0;
    virtual NxAssertResponse ReportAssertViolation(const char* message, const char* file, int line) = 0;
    virtual void Print(const char* message) = 0;
};

// The byte stream that cooking writes to and mesh creation reads from, in
// machine byte order. ReadBuffer is true only when every byte was read; a
// short read zeroes the rest of the buffer. Implementations call MarkFailed
// when a read comes up short or a store fails, so that cooking and mesh
// creation can tell a good stream from a broken one.
class NxStream
{
public:
    NxStream() : m_bFailed(false) {}
    virtual ~NxStream() {}
    virtual NxU8 ReadByte() = 0;
    virtual NxU16 ReadWord() = 0;
    virtual NxU32 ReadDword() = 0;
    virtual NxF32 ReadFloat() = 0;
    virtual NxF64 ReadDouble() = 0;
    virtual bool ReadBuffer(void* buffer, NxU32 size) = 0;
    virtual NxStream& StoreByte(NxU8 b) = 0;
    virtual NxStream& StoreWord(NxU16 w) = 0;
    virtual NxStream& StoreDword(NxU32 d) = 0;
    virtual NxStream& StoreFloat(NxF32 f) = 0;
    virtual NxStream& StoreDouble(NxF64 f) = 0;
    virtual NxStream& StoreBuffer(const void* buffer, NxU32 size) = 0;

    bool IsGood() const { return !m_bFailed; }
    void MarkFailed() { m_bFailed = true; }

private:
    bool m_bFailed;
};

} // namespace plat
