#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace trx {

// Calls work(i) once for every i in 0..count-1, on up to `workers` threads
// at a time (never more threads than items; the calling thread does the
// work itself when one is enough). Items are taken in ascending order. An
// exception thrown by work is rethrown here once every thread has finished;
// the remaining items are still run.
void RunJobs(std::size_t count, std::int32_t workers, const std::function<void(std::size_t)>& work);

} // namespace trx
