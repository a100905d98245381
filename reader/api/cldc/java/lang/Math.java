// Math.java - CLDC 1.0 (integer members only), signatures only.
package java.lang;

public final class Math {
    private Math() {}
    public static int abs(int a) { return 0; }
    public static long abs(long a) { return 0; }
    public static int max(int a, int b) { return 0; }
    public static long max(long a, long b) { return 0; }
    public static int min(int a, int b) { return 0; }
    public static long min(long a, long b) { return 0; }
}
