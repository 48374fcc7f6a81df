#include "platform/cluster/distribution.h"

#include <cstdlib>

namespace {

class Single : public Distribution {
public:
    int Rank() const override { return 0; }
    int Size() const override { return 1; }
    std::vector<int64_t> GatherAtRoot(const std::vector<int64_t>& mine) override { return mine; }
    int FirstFailing(bool failed) override { return failed ? 0 : -1; }
};

} // namespace

Distribution& SingleProcess() {
    static Single single;
    return single;
}

#ifdef KESTREL_MPI
std::unique_ptr<Distribution> JoinMpi(int& argc, char**& argv);
#endif

std::unique_ptr<Distribution> JoinDistribution([[maybe_unused]] int& argc,
                                               [[maybe_unused]] char**& argv) {
#ifdef KESTREL_MPI
    // mpirun tells its processes who they are; a process started any other way runs alone
    // and never starts MPI, which would cost it time and leave its runtime's threads behind.
    if (std::getenv("OMPI_COMM_WORLD_SIZE") || std::getenv("PMIX_RANK") || std::getenv("PMI_RANK"))
        return JoinMpi(argc, argv);
#endif
    return std::make_unique<Single>();
}
