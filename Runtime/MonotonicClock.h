#pragma once
// Never-decreasing time in seconds, from the performance counter kept in step with the
// system clock. UI thread (the task queue bounds its passes with it).
double MonotonicSeconds();
