/* The machine-dependent part of jni.h for 64-bit Windows, for building the natives with MinGW
 * where no Windows JDK is installed. jint is int, which on Windows has the size and calling
 * convention of the long a Windows JDK uses; the calling convention attribute is ignored on x64. */
#ifndef _JAVASOFT_JNI_MD_H_
#define _JAVASOFT_JNI_MD_H_

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

typedef int jint;
typedef long long jlong;
typedef signed char jbyte;

#endif /* !_JAVASOFT_JNI_MD_H_ */
