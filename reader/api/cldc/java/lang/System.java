// System.java - CLDC 1.0, signatures only.
package java.lang;

public final class System {
    public static final java.io.PrintStream out = null;
    public static final java.io.PrintStream err = null;
    private System() {}
    public static long currentTimeMillis() { return 0; }
    public static void arraycopy(Object src, int srcPos, Object dst, int dstPos, int length) {}
    public static void exit(int status) {}
    public static void gc() {}
    public static String getProperty(String key) { return null; }
}
