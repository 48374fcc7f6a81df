#pragma once

// The processes that share one run: a single process, or those that mpirun started on one
// or more machines. The analysis hands each process its share of the work and gathers the
// counts onto process 0, which alone reports; it never sees MPI itself.

#include <cstdint>
#include <memory>
#include <vector>

class Distribution {
public:
    virtual ~Distribution() = default;
    // This process's number, 0 to Size() - 1.
    virtual int Rank() const = 0;
    virtual int Size() const = 0;
    // On process 0: every process's numbers one after another, in process order; elsewhere
    // empty. Every process must call it.
    virtual std::vector<int64_t> GatherAtRoot(const std::vector<int64_t>& mine) = 0;
    // The lowest process for which `failed` is true, or -1 when none did; every process
    // learns it, so all can stop together rather than wait on one that gave up.
    virtual int FirstFailing(bool failed) = 0;
    bool Root() const { return Rank() == 0; }
};

// The one process, alone.
Distribution& SingleProcess();

// The processes of an MPI job when this process was started by mpirun (and MPI was built
// in); otherwise the single process. Joining an MPI job initialises MPI, and destroying the
// result finalises it.
std::unique_ptr<Distribution> JoinDistribution(int& argc, char**& argv);
