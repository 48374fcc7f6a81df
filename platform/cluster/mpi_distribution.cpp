// The processes of an MPI job. Only this file includes MPI.

#include <mpi.h>

#include <memory>
#include <numeric>

#include "platform/cluster/distribution.h"

namespace {

class Mpi : public Distribution {
public:
    Mpi(int& argc, char**& argv) {
        MPI_Init(&argc, &argv);
        MPI_Comm_rank(MPI_COMM_WORLD, &rank_);
        MPI_Comm_size(MPI_COMM_WORLD, &size_);
    }
    ~Mpi() override { MPI_Finalize(); }
    int Rank() const override { return rank_; }
    int Size() const override { return size_; }

    std::vector<int64_t> GatherAtRoot(const std::vector<int64_t>& mine) override {
        const int count = static_cast<int>(mine.size());
        std::vector<int> counts(rank_ == 0 ? size_ : 0);
        MPI_Gather(&count, 1, MPI_INT, counts.data(), 1, MPI_INT, 0, MPI_COMM_WORLD);
        std::vector<int> starts(counts.size());
        if (!counts.empty())
            std::exclusive_scan(counts.begin(), counts.end(), starts.begin(), 0);
        std::vector<int64_t> all(rank_ == 0 ? std::accumulate(counts.begin(), counts.end(), 0) : 0);
        MPI_Gatherv(mine.data(), count, MPI_INT64_T, all.data(), counts.data(), starts.data(),
                    MPI_INT64_T, 0, MPI_COMM_WORLD);
        return all;
    }

    int FirstFailing(bool failed) override {
        const int mine = failed ? rank_ : size_;
        int first = size_;
        MPI_Allreduce(&mine, &first, 1, MPI_INT, MPI_MIN, MPI_COMM_WORLD);
        return first == size_ ? -1 : first;
    }

private:
    int rank_ = 0;
    int size_ = 1;
};

} // namespace

std::unique_ptr<Distribution> JoinMpi(int& argc, char**& argv) {
    return std::make_unique<Mpi>(argc, argv);
}
