#include "DataSet.h"

#include <algorithm>

#include "XrtCodes.h"

namespace vexlar::xrt {

bool DataSet::CheckShape(int type, int sets, int points, std::string* error)
{
    if (type != XRT_DATA_COMMON_X && type != XRT_DATA_SEPARATE_X) {
        *error = "unknown data type " + std::to_string(type);
        return false;
    }
    if (sets < 1 || sets > kMaxSets) {
        *error = "number of sets " + std::to_string(sets) + " is not between 1 and " + std::to_string(kMaxSets);
        return false;
    }
    if (points < 1 || points > kMaxPoints) {
        *error = "number of points " + std::to_string(points) + " is not between 1 and " + std::to_string(kMaxPoints);
        return false;
    }
    return true;
}

DataSet::DataSet(int type, int sets, int points)
    : type_(type),
      sets_(sets),
      points_(points),
      x_(type == XRT_DATA_COMMON_X ? 1 : sets, std::vector<double>(points, 0.0)),
      y_(sets, std::vector<double>(points, 0.0))
{ }

bool DataSet::CheckSpan(int set, int count, int first, const double* values, std::string* error) const
{
    if (set < 0 || set >= sets_) {
        *error = "set " + std::to_string(set) + " does not exist (the data set has " + std::to_string(sets_) + ")";
        return false;
    }
    if (!values) {
        *error = "no values given";
        return false;
    }
    // In 64 bits, so first + count cannot overflow.
    if (count < 1 || first < 0 || static_cast<long long>(first) + count > points_) {
        *error = "points " + std::to_string(first) + " to " +
                 std::to_string(static_cast<long long>(first) + count - 1) + " lie outside the data set's " +
                 std::to_string(points_) + " points";
        return false;
    }
    return true;
}

bool DataSet::CheckPoint(int set, int point, const double* value, std::string* error) const
{
    if (set < 0 || set >= sets_) {
        *error = "set " + std::to_string(set) + " does not exist (the data set has " + std::to_string(sets_) + ")";
        return false;
    }
    if (point < 0 || point >= points_) {
        *error = "point " + std::to_string(point) + " does not exist (the set has " + std::to_string(points_) + ")";
        return false;
    }
    if (!value) {
        *error = "no place given for the value";
        return false;
    }
    return true;
}

std::vector<double>& DataSet::XArray(int set)
{
    return x_[type_ == XRT_DATA_COMMON_X ? 0 : set];
}

bool DataSet::SetX(int set, const double* values, int count, int first, std::string* error)
{
    if (!CheckSpan(set, count, first, values, error))
        return false;
    std::copy(values, values + count, XArray(set).begin() + first);
    ++revision_;
    ++xRevision_;
    return true;
}

bool DataSet::SetY(int set, const double* values, int count, int first, std::string* error)
{
    if (!CheckSpan(set, count, first, values, error))
        return false;
    std::copy(values, values + count, y_[set].begin() + first);
    ++revision_;
    return true;
}

bool DataSet::GetX(int set, int point, double* value, std::string* error) const
{
    if (!CheckPoint(set, point, value, error))
        return false;
    *value = X(set)[point];
    return true;
}

bool DataSet::GetY(int set, int point, double* value, std::string* error) const
{
    if (!CheckPoint(set, point, value, error))
        return false;
    *value = Y(set)[point];
    return true;
}

const double* DataSet::X(int set) const
{
    return x_[type_ == XRT_DATA_COMMON_X ? 0 : set].data();
}

const double* DataSet::Y(int set) const
{
    return y_[set].data();
}

}  // namespace vexlar::xrt
