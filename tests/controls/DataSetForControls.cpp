// The in-memory dataset of the dataset-model tests, built into this test
// program too, so that data-aware controls have a dataset to show.
#include "tests/data/ArrayDataSet.cpp"  // NOLINT(bugprone-suspicious-include)
