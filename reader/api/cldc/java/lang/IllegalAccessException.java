// IllegalAccessException.java - CLDC 1.0, signatures only.
package java.lang;

public class IllegalAccessException extends Exception {
    public IllegalAccessException() {}
    public IllegalAccessException(String s) {}
}
