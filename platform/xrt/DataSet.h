#pragma once
// A chart data set: one or more sets of points, each point an x and a y
// double. With common X all sets share one X array; with separate X each set
// has its own.

#include <cstdint>
#include <string>
#include <vector>

namespace vexlar::xrt {

class DataSet {
public:
    static constexpr int kMaxSets = 64;
    static constexpr int kMaxPoints = 1'000'000;

    // Checks the shape; on failure gives the reason and no data set.
    static bool CheckShape(int type, int sets, int points, std::string* error);

    // sets and points as passed CheckShape; every value starts at 0.
    DataSet(int type, int sets, int points);

    int type() const { return type_; }
    int sets() const { return sets_; }
    int points() const { return points_; }

    // Writes count values from point first on; false (with the reason) when
    // the set or the span lies outside the data set or values is null.
    bool SetX(int set, const double* values, int count, int first, std::string* error);
    bool SetY(int set, const double* values, int count, int first, std::string* error);
    bool GetX(int set, int point, double* value, std::string* error) const;
    bool GetY(int set, int point, double* value, std::string* error) const;

    // The arrays of a set; set must be valid.
    const double* X(int set) const;
    const double* Y(int set) const;

    // Count up with every write, so a chart can tell what changed since it
    // last drew the data: revision() for any write, xRevision() for X only.
    std::uint64_t revision() const { return revision_; }
    std::uint64_t xRevision() const { return xRevision_; }

private:
    bool CheckSpan(int set, int count, int first, const double* values, std::string* error) const;
    bool CheckPoint(int set, int point, const double* value, std::string* error) const;
    std::vector<double>& XArray(int set);

    int type_;
    int sets_;
    int points_;
    std::vector<std::vector<double>> x_;
    std::vector<std::vector<double>> y_;
    std::uint64_t revision_ = 0;
    std::uint64_t xRevision_ = 0;
};

}  // namespace vexlar::xrt
