#pragma once

namespace halvane::app::models {

// A point of a graph's drawing surface, in device pixels (y grows downwards).
struct PlotPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const PlotPoint&, const PlotPoint&) = default;
};

// A width and height in device pixels; a negative height turns an axis over.
struct PlotSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const PlotSize&, const PlotSize&) = default;
};

// A point in data values: frequency or time on x, level on y.
struct PlotValue {
    double x = 0.0;
    double y = 0.0;
    friend bool operator==(const PlotValue&, const PlotValue&) = default;
};

}  // namespace halvane::app::models
