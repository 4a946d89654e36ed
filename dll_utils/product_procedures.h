#pragma once
// The procedures of utils.dll that answer questions about installed products and versions
// and act on the installation state. Each has the signature of PluginProc.

#include "plugin_interface.h"

int IsInstalledVersionProc(PluginSession session, int argc, char** argv, char* result,
                           int resultSize, int* error);
int GetProductVersionProc(PluginSession session, int argc, char** argv, char* result,
                          int resultSize, int* error);
int GetInstalledComponentsProc(PluginSession session, int argc, char** argv, char* result,
                               int resultSize, int* error);
int IsChassisProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                  int* error);
int AllowInstallClientProc(PluginSession session, int argc, char** argv, char* result,
                           int resultSize, int* error);
int GetFeatureStateProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                        int* error);
int IsMsSQLInstanceProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                        int* error);
int IsRebootRequiredProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                         int* error);
int GetInstallLocationProc(PluginSession session, int argc, char** argv, char* result,
                           int resultSize, int* error);
int IsVersionInRangeProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                         int* error);
int RefCountProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                 int* error);
int CountInstalledProductsProc(PluginSession session, int argc, char** argv, char* result,
                               int resultSize, int* error);
int CheckVersionAndCmdLineParamProc(PluginSession session, int argc, char** argv, char* result,
                                    int resultSize, int* error);
int IsFileVersionInRangeProc(PluginSession session, int argc, char** argv, char* result,
                             int resultSize, int* error);
int UninstallMsiProductProc(PluginSession session, int argc, char** argv, char* result,
                            int resultSize, int* error);
int GetProductCodeProc(PluginSession session, int argc, char** argv, char* result, int resultSize,
                       int* error);
int ClearChildProductProc(PluginSession session, int argc, char** argv, char* result,
                          int resultSize, int* error);
