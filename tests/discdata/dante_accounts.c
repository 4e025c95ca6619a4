/* Preloaded into the SOCKS server the tests start: it answers the server's account lookups
   for the one test account, so that user name and password checking needs no system account.
   Every other name goes to the system as usual. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <pwd.h>
#include <shadow.h>
#include <string.h>

static const char kUser[] = "korvane";
static const char kHash[] = "korvane-test-hash";
static const char kPassword[] = "s3cret pass";

struct passwd* getpwnam(const char* name)
{
    static struct passwd pw;
    if (strcmp(name, kUser) == 0) {
        pw.pw_name = (char*)kUser;
        pw.pw_passwd = (char*)kHash;
        pw.pw_uid = 65534;
        pw.pw_gid = 65534;
        pw.pw_gecos = (char*)"";
        pw.pw_dir = (char*)"/";
        pw.pw_shell = (char*)"/bin/false";
        return &pw;
    }
    struct passwd* (*next)(const char*) = (struct passwd * (*)(const char*)) dlsym(RTLD_NEXT, "getpwnam");
    return next ? next(name) : 0;
}

struct spwd* getspnam(const char* name)
{
    static struct spwd sp;
    if (strcmp(name, kUser) == 0) {
        memset(&sp, 0, sizeof sp);
        sp.sp_namp = (char*)kUser;
        sp.sp_pwdp = (char*)kHash;
        sp.sp_max = -1;
        sp.sp_expire = -1;
        sp.sp_inact = -1;
        sp.sp_warn = -1;
        sp.sp_min = -1;
        sp.sp_lstchg = -1;
        return &sp;
    }
    struct spwd* (*next)(const char*) = (struct spwd * (*)(const char*)) dlsym(RTLD_NEXT, "getspnam");
    return next ? next(name) : 0;
}

char* crypt(const char* key, const char* salt)
{
    if (salt && strcmp(salt, kHash) == 0)
        return (char*)(key && strcmp(key, kPassword) == 0 ? kHash : "*");
    char* (*next)(const char*, const char*) = (char* (*)(const char*, const char*))dlsym(RTLD_NEXT, "crypt");
    return next ? next(key, salt) : 0;
}
