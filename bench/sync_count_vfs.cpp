#include "bench/sync_count_vfs.h"

#include <sqlite3.h>

#include <atomic>
#include <mutex>
#include <stdexcept>

namespace orv::bench {

namespace {

std::atomic<std::uint64_t> g_syncs{0};
sqlite3_vfs* g_real_vfs = nullptr;  // the default VFS we wrap
sqlite3_vfs g_vfs;                  // ours: a copy of it with xOpen replaced

// Our file: the wrapped VFS's file lives right after it in the same block.
struct CountingFile {
  sqlite3_file base;
  sqlite3_file* real;
};

sqlite3_file* Real(sqlite3_file* f) { return reinterpret_cast<CountingFile*>(f)->real; }

int Close(sqlite3_file* f) {
  sqlite3_file* r = Real(f);
  return r->pMethods ? r->pMethods->xClose(r) : SQLITE_OK;
}
int Read(sqlite3_file* f, void* buf, int n, sqlite3_int64 off) {
  return Real(f)->pMethods->xRead(Real(f), buf, n, off);
}
int Write(sqlite3_file* f, const void* buf, int n, sqlite3_int64 off) {
  return Real(f)->pMethods->xWrite(Real(f), buf, n, off);
}
int Truncate(sqlite3_file* f, sqlite3_int64 size) {
  return Real(f)->pMethods->xTruncate(Real(f), size);
}
int Sync(sqlite3_file* f, int flags) {
  g_syncs.fetch_add(1, std::memory_order_relaxed);
  return Real(f)->pMethods->xSync(Real(f), flags);
}
int FileSize(sqlite3_file* f, sqlite3_int64* size) {
  return Real(f)->pMethods->xFileSize(Real(f), size);
}
int Lock(sqlite3_file* f, int level) { return Real(f)->pMethods->xLock(Real(f), level); }
int Unlock(sqlite3_file* f, int level) { return Real(f)->pMethods->xUnlock(Real(f), level); }
int CheckReservedLock(sqlite3_file* f, int* out) {
  return Real(f)->pMethods->xCheckReservedLock(Real(f), out);
}
int FileControl(sqlite3_file* f, int op, void* arg) {
  return Real(f)->pMethods->xFileControl(Real(f), op, arg);
}
int SectorSize(sqlite3_file* f) { return Real(f)->pMethods->xSectorSize(Real(f)); }
int DeviceCharacteristics(sqlite3_file* f) {
  return Real(f)->pMethods->xDeviceCharacteristics(Real(f));
}
int ShmMap(sqlite3_file* f, int region, int size, int extend, void volatile** p) {
  return Real(f)->pMethods->xShmMap(Real(f), region, size, extend, p);
}
int ShmLock(sqlite3_file* f, int offset, int n, int flags) {
  return Real(f)->pMethods->xShmLock(Real(f), offset, n, flags);
}
void ShmBarrier(sqlite3_file* f) { Real(f)->pMethods->xShmBarrier(Real(f)); }
int ShmUnmap(sqlite3_file* f, int del) { return Real(f)->pMethods->xShmUnmap(Real(f), del); }
int Fetch(sqlite3_file* f, sqlite3_int64 off, int n, void** p) {
  return Real(f)->pMethods->xFetch(Real(f), off, n, p);
}
int Unfetch(sqlite3_file* f, sqlite3_int64 off, void* p) {
  return Real(f)->pMethods->xUnfetch(Real(f), off, p);
}

constexpr sqlite3_io_methods MethodsOfVersion(int version) {
  return {version,
          Close,
          Read,
          Write,
          Truncate,
          Sync,
          FileSize,
          Lock,
          Unlock,
          CheckReservedLock,
          FileControl,
          SectorSize,
          DeviceCharacteristics,
          version >= 2 ? ShmMap : nullptr,
          version >= 2 ? ShmLock : nullptr,
          version >= 2 ? ShmBarrier : nullptr,
          version >= 2 ? ShmUnmap : nullptr,
          version >= 3 ? Fetch : nullptr,
          version >= 3 ? Unfetch : nullptr};
}
// SQLite looks at iVersion before it calls the later methods, so each file
// gets the table of the version its wrapped file offers.
const sqlite3_io_methods kMethods[3] = {MethodsOfVersion(1), MethodsOfVersion(2),
                                        MethodsOfVersion(3)};

int Open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* out_flags) {
  auto* ours = reinterpret_cast<CountingFile*>(file);
  ours->real = reinterpret_cast<sqlite3_file*>(ours + 1);
  ours->real->pMethods = nullptr;
  ours->base.pMethods = nullptr;
  const int rc = g_real_vfs->xOpen(g_real_vfs, name, ours->real, flags, out_flags);
  // A failed open may still have set pMethods; then SQLite calls our xClose.
  if (ours->real->pMethods) {
    int version = ours->real->pMethods->iVersion;
    version = version < 1 ? 1 : version > 3 ? 3 : version;
    ours->base.pMethods = &kMethods[version - 1];
  }
  return rc;
}

}  // namespace

void InstallSyncCountingVfs() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (sqlite3_initialize() != SQLITE_OK) throw std::runtime_error("SQLite does not initialise");
    g_real_vfs = sqlite3_vfs_find(nullptr);
    if (!g_real_vfs) throw std::runtime_error("SQLite has no default VFS");
    g_vfs = *g_real_vfs;
    g_vfs.iVersion = g_real_vfs->iVersion;
    g_vfs.szOsFile = static_cast<int>(sizeof(CountingFile)) + g_real_vfs->szOsFile;
    g_vfs.pNext = nullptr;
    g_vfs.zName = "orv-sync-count";
    g_vfs.xOpen = Open;
    // The other methods (delete, access, full path, randomness, sleep, time)
    // take the VFS pointer only to reach their own data, which is the wrapped
    // VFS's: call them with it.
    g_vfs.xDelete = [](sqlite3_vfs*, const char* name, int sync_dir) {
      return g_real_vfs->xDelete(g_real_vfs, name, sync_dir);
    };
    g_vfs.xAccess = [](sqlite3_vfs*, const char* name, int flags, int* out) {
      return g_real_vfs->xAccess(g_real_vfs, name, flags, out);
    };
    g_vfs.xFullPathname = [](sqlite3_vfs*, const char* name, int n, char* out) {
      return g_real_vfs->xFullPathname(g_real_vfs, name, n, out);
    };
    g_vfs.xDlOpen = [](sqlite3_vfs*, const char* name) {
      return g_real_vfs->xDlOpen(g_real_vfs, name);
    };
    g_vfs.xDlError = [](sqlite3_vfs*, int n, char* out) {
      g_real_vfs->xDlError(g_real_vfs, n, out);
    };
    g_vfs.xDlSym = [](sqlite3_vfs*, void* h, const char* sym) {
      return g_real_vfs->xDlSym(g_real_vfs, h, sym);
    };
    g_vfs.xDlClose = [](sqlite3_vfs*, void* h) { g_real_vfs->xDlClose(g_real_vfs, h); };
    g_vfs.xRandomness = [](sqlite3_vfs*, int n, char* out) {
      return g_real_vfs->xRandomness(g_real_vfs, n, out);
    };
    g_vfs.xSleep = [](sqlite3_vfs*, int us) { return g_real_vfs->xSleep(g_real_vfs, us); };
    g_vfs.xCurrentTime = [](sqlite3_vfs*, double* out) {
      return g_real_vfs->xCurrentTime(g_real_vfs, out);
    };
    g_vfs.xGetLastError = [](sqlite3_vfs*, int n, char* out) {
      return g_real_vfs->xGetLastError(g_real_vfs, n, out);
    };
    if (g_real_vfs->iVersion >= 2 && g_real_vfs->xCurrentTimeInt64)
      g_vfs.xCurrentTimeInt64 = [](sqlite3_vfs*, sqlite3_int64* out) {
        return g_real_vfs->xCurrentTimeInt64(g_real_vfs, out);
      };
    if (g_real_vfs->iVersion >= 3) {
      // System-call overrides are the wrapped VFS's business; leave them out.
      g_vfs.xSetSystemCall = nullptr;
      g_vfs.xGetSystemCall = nullptr;
      g_vfs.xNextSystemCall = nullptr;
    }
    if (sqlite3_vfs_register(&g_vfs, 1) != SQLITE_OK)
      throw std::runtime_error("SQLite refused the counting VFS");
  });
}

std::uint64_t SyncCount() { return g_syncs.load(std::memory_order_relaxed); }

}  // namespace orv::bench
