#pragma once

namespace pellivar {

// A point in a window's client coordinates (x to the right, y downwards).
struct ClientPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const ClientPoint&, const ClientPoint&) = default;
};

// Maps curve values linearly onto a client rectangle: x grows to the right,
// y upwards (so client y is inverted). Client coordinates are rounded half
// up (a fraction of 0.5 or more rounds up). The curve editor's zooming map
// builds on this one.
class CBasicPointMap {
public:
    CBasicPointMap() = default;
    // Values [xMin, xMax] x [yMin, yMax] onto the client rectangle whose
    // left, top, right and bottom edges are given.
    CBasicPointMap(double xMin, double xMax, double yMin, double yMax, int left, int top, int right, int bottom);
    virtual ~CBasicPointMap() = default;

    void SetRanges(double xMin, double xMax, double yMin, double yMax);
    void SetClient(int left, int top, int right, int bottom);

    // Whether a value lies inside the map's ranges (edges included).
    bool Contains(double x, double y) const;
    ClientPoint ToClient(double x, double y) const;
    // The value at a client point (no rounding).
    void ToValue(ClientPoint p, double& x, double& y) const;

    double XMin() const { return xMin_; }
    double XMax() const { return xMax_; }
    double YMin() const { return yMin_; }
    double YMax() const { return yMax_; }

private:
    double xMin_ = 0, xMax_ = 1, yMin_ = 0, yMax_ = 1;
    int left_ = 0, top_ = 0, right_ = 1, bottom_ = 1;
};

}  // namespace pellivar
